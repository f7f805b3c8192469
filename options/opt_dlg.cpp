#include "options/opt_dlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "ui/dialog_units.h"

namespace gauzel {

COptDlg::COptDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_units(new QButtonGroup(this)),
      m_ok(new QPushButton("OK", this)) {
    setObjectName("IDD_OPTIONS");
    setWindowTitle("Options");
    const DialogUnits units = DialogUnitsOf(font());
    setFixedSize(units.X(167), units.Y(78));

    // The group box frames the radio buttons from behind.
    auto* frame = new QGroupBox("Show Sizes in:", this);
    frame->setGeometry(DialogRect(units, 8, 8, 92, 64));

    struct Radio {
        const char* name;
        const char* text;
        int y;
    };
    const Radio radios[] = {
        {"IDC_BYTES", "Bytes", 20}, {"IDC_KILOBYTES", "Kilobytes", 36}, {"IDC_MEGABYTES", "Megabytes", 50}};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(radios[i].text, this);
        radio->setObjectName(radios[i].name);
        radio->setGeometry(DialogRect(units, 20, radios[i].y, 53, 9));
        m_units->addButton(radio, i);
    }
    frame->lower();

    m_ok->setObjectName("IDOK");
    m_ok->setGeometry(DialogRect(units, 108, 20, 50, 14));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("IDCANCEL");
    cancel->setGeometry(DialogRect(units, 108, 44, 50, 14));
    // The keyboard's order is the eye's: the units (one stop, the arrow keys move within them),
    // then OK and Cancel.
    QWidget::setTabOrder(m_units->button(2), m_ok);
    QWidget::setTabOrder(m_ok, cancel);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        DoDataExchange(true);
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int COptDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void COptDlg::OnInitDialog() {
    DoDataExchange(false);
    QRect rect(geometry().topLeft(), size());
    CenterRectOnScreen(rect);
    move(rect.topLeft());
    m_ok->setFocus();
}

void COptDlg::DoDataExchange(bool fromControls) {
    if (fromControls) {
        m_nUnits = m_units->checkedId();  // -1 when none is checked
        return;
    }
    // A value outside 0 to 2 leaves every button unchecked.
    m_units->setExclusive(false);
    for (QAbstractButton* button : m_units->buttons()) button->setChecked(m_units->id(button) == m_nUnits);
    m_units->setExclusive(true);
}

}  // namespace gauzel
