#include "options/opt_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/dialog_units.h"
#include "ui/message_box.h"

namespace gauzel {

COptDlg::COptDlg(QWidget* parent, MessageBoxes& messages)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_messages(messages),
      m_units(new QButtonGroup(this)),
      m_exclude(new QPlainTextEdit(this)),
      m_caches(new QCheckBox("Leave out cache directories (CACHEDIR.TAG)", this)),
      m_largest(new QLineEdit(this)),
      m_ok(new QPushButton("OK", this)) {
    setObjectName("IDD_OPTIONS");
    setWindowTitle("Options");
    const DialogUnits units = DialogUnitsOf(font());
    setFixedSize(units.X(190), units.Y(156));

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
    // What the rescans leave out and keep, below.
    auto* excludeLabel = new QLabel("Leave out names matching:", this);
    excludeLabel->setGeometry(DialogRect(units, 8, 80, 174, 9));
    excludeLabel->setBuddy(m_exclude);
    m_exclude->setObjectName("IDC_EXCLUDE");
    m_exclude->setGeometry(DialogRect(units, 8, 90, 174, 30));
    m_exclude->setTabChangesFocus(true);
    m_exclude->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_exclude->setToolTip(
        "One shell pattern a line, on a name (*.o, node_modules) or, with a /, on the "
        "path below the directory shown (build/*.o)");
    m_caches->setObjectName("IDC_EXCLUDE_CACHES");
    m_caches->setGeometry(DialogRect(units, 8, 124, 174, 10));
    auto* largestLabel = new QLabel("Largest files kept:", this);
    largestLabel->setGeometry(DialogRect(units, 8, 140, 70, 9));
    largestLabel->setBuddy(m_largest);
    m_largest->setObjectName("IDC_LARGEST");
    m_largest->setGeometry(DialogRect(units, 80, 138, 40, 12));

    // The keyboard's order is the eye's: the units (one stop, the arrow keys move within them),
    // then OK and Cancel, then what is below them.
    QWidget::setTabOrder(m_units->button(2), m_ok);
    QWidget::setTabOrder(m_ok, cancel);
    QWidget::setTabOrder(cancel, m_exclude);
    QWidget::setTabOrder(m_exclude, m_caches);
    QWidget::setTabOrder(m_caches, m_largest);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (DoDataExchange(true)) accept();
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

bool COptDlg::DoDataExchange(bool fromControls) {
    if (fromControls) {
        bool number = false;
        const int largest = m_largest->text().trimmed().toInt(&number);
        if (!number || largest < 1 || largest > kMaxLargestKept) {
            m_messages.Show(this, "Largest files kept: a number from 1 to 100,000.");
            m_largest->setFocus();
            return false;
        }
        if (m_exclude->toPlainText().contains('|')) {  // the settings file separates patterns by it
            m_messages.Show(this, "A pattern to leave out cannot hold a | character.");
            m_exclude->setFocus();
            return false;
        }
        m_nUnits = m_units->checkedId();  // -1 when none is checked
        m_strExclude = m_exclude->toPlainText();
        m_bExcludeCaches = m_caches->isChecked();
        m_nLargest = largest;
        return true;
    }
    m_exclude->setPlainText(m_strExclude);
    m_caches->setChecked(m_bExcludeCaches);
    m_largest->setText(QString::number(m_nLargest));
    // A value outside 0 to 2 leaves every button unchecked.
    m_units->setExclusive(false);
    for (QAbstractButton* button : m_units->buttons()) button->setChecked(m_units->id(button) == m_nUnits);
    m_units->setExclusive(true);
    return true;
}

}  // namespace gauzel
