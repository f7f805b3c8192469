#pragma once
// The application: creates the one document, frame and view, and shows the about box.

#include <QApplication>
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "app/doc.h"
#include "app/main_frm.h"

namespace gauzel {

class CAboutDlg final : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent);
};

class CGauzelApp final : public QApplication {
public:
    CGauzelApp(int& argc, char** argv);
    ~CGauzelApp() override;

    // Creates the document and the main frame with its view, and shows the frame; its first
    // rescan profiles `startDirectory` when one is given.
    bool InitInstance(ViewServices services, std::optional<std::string> startDirectory = std::nullopt,
                      std::optional<std::string> compare = std::nullopt);
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

private:
    CGauzelDoc m_doc;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};

}  // namespace gauzel
