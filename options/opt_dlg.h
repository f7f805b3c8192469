#pragma once
// The Options dialog: in which units sizes are shown, what the rescans leave out, and how many of
// the largest files they keep.

#include <QDialog>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace gauzel {

class MessageBoxes;

inline constexpr int kMaxLargestKept = 100000;  // as many as a rescan keeps

class COptDlg final : public QDialog {
public:
    COptDlg(QWidget* parent, MessageBoxes& messages);

    // Runs the dialog modally: QDialog::Accepted after OK, with the values read from the controls.
    // OK with a value that cannot be kept says why, and the dialog stays.
    int DoModal();

    int m_nUnits = -1;     // 0 bytes, 1 kilobytes, 2 megabytes; -1 when no button is checked
    QString m_strExclude;  // the patterns, one a line
    bool m_bExcludeCaches = false;
    int m_nLargest = 100;  // 1 to kMaxLargestKept

private:
    void OnInitDialog();
    // From the controls: false (with a message) when a value cannot be kept.
    bool DoDataExchange(bool fromControls);

    MessageBoxes& m_messages;
    QButtonGroup* m_units;
    QPlainTextEdit* m_exclude;
    QCheckBox* m_caches;
    QLineEdit* m_largest;
    QPushButton* m_ok;
};

}  // namespace gauzel
