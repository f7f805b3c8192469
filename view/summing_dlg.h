#pragma once
// The small window that shows which directory a rescan is summing.

#include <QDialog>
#include <QString>
#include <QTimer>
#include <functional>

class QLabel;

namespace gauzel {

inline constexpr const char* kSummingCaption = "Summing Tree and Files Sizes";

class CSummingDlg final : public QDialog {
public:
    // `stop`: its close box (and the program's Esc) stops the rescan.
    CSummingDlg(QWidget* parent, std::function<void()> stop);

    // Shows the window centred on the screen, reading "starting...", and paints it at once.
    void Create();

    // Every value lands in m_strStatus; the text on screen changes at most about 30 times a
    // second, at once for a value after a quiet while, and the last value always shows. A long
    // path keeps its end: it is elided in the middle.
    void SetStatus(const QString& status);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    QString m_strStatus;

private:
    void OnInitDialog();
    void DoDataExchange();  // m_strStatus to the static text
    void Show();            // the same, and no other change until m_repaint has run out

    std::function<void()> m_stop;
    QLabel* m_status;
    QTimer m_repaint;
};

}  // namespace gauzel
