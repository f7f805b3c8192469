#pragma once
// The Options dialog: in which units sizes are shown.

#include <QDialog>

class QButtonGroup;
class QPushButton;

namespace gauzel {

class COptDlg final : public QDialog {
public:
    explicit COptDlg(QWidget* parent);

    // Runs the dialog modally: QDialog::Accepted after OK, with m_nUnits read from the buttons.
    int DoModal();

    int m_nUnits = -1;  // 0 bytes, 1 kilobytes, 2 megabytes; -1 when no button is checked

private:
    void OnInitDialog();
    void DoDataExchange(bool fromControls);

    QButtonGroup* m_units;
    QPushButton* m_ok;
};

}  // namespace gauzel
