#pragma once
// The main window: menus, accelerators, and the form view as its whole client area.

#include <QMainWindow>

#include "view/gauzel_view.h"

class QMenu;

namespace gauzel {

class MessageBoxes;

class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(ViewServices services, QWidget* parent = nullptr);

    CGauzelView* View() const { return m_pView; }

    // Opens the program's help page in the desktop's browser.
    void OnHelpFinder();

signals:
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PreCreateWindow();
    void OnGetMinMaxInfo();
    void MessageMap();
    QMenu* AddPopup(const char* title);

    CGauzelView* m_pView;
    MessageBoxes& m_messages;
};

}  // namespace gauzel
