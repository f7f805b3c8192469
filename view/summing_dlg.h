#pragma once
// The small window that shows which directory a rescan is summing.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QLabel;

namespace gauzel {

inline constexpr const char* kSummingCaption = "Summing Tree and Files Sizes";

class CSummingDlg final : public QDialog {
public:
    explicit CSummingDlg(QWidget* parent);

    // Shows the window centred on the screen, reading "starting...", and paints it at once:
    // the scan that follows does not return to the event loop.
    void Create();

    // Every value lands in m_strStatus; the text on screen is repainted at most about 30 times
    // a second, and always for the first value.
    void SetStatus(const QString& status);

    QString m_strStatus;

private:
    void OnInitDialog();
    void DoDataExchange();  // m_strStatus to the static text

    QLabel* m_status;
    QElapsedTimer m_sinceRepaint;
};

}  // namespace gauzel
