#include "view/summing_dlg.h"

#include <QCloseEvent>
#include <QLabel>

#include "core/scan/scan_engine.h"
#include "ui/dialog_units.h"

namespace gauzel {

namespace {
constexpr int kRepaintIntervalMs = 33;  // about 30 repaints a second
}

CSummingDlg::CSummingDlg(QWidget* parent, std::function<void()> stop)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_stop(std::move(stop)),
      m_status(new QLabel("Static", this)) {
    // Modal: while the rescan runs, its Esc and close box are the only input the program takes.
    setObjectName("IDD_SUMMING");
    setWindowTitle(kSummingCaption);
    setModal(true);
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(kRepaintIntervalMs);
    connect(&m_repaint, &QTimer::timeout, this, [this] { Show(); });
    const DialogUnits units = DialogUnitsOf(font());
    setFixedSize(units.X(243), units.Y(30));
    m_status->setObjectName("IDC_STATUS");
    m_status->setGeometry(DialogRect(units, 8, 12, 228, 8));
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_status->setTextFormat(Qt::PlainText);
}

void CSummingDlg::Create() {
    OnInitDialog();
    show();
}

void CSummingDlg::OnInitDialog() {
    QRect rect(geometry().topLeft(), size());
    CenterRectOnScreen(rect);
    move(rect.topLeft());
    m_strStatus = kStartingStatus;
    DoDataExchange();
}

void CSummingDlg::DoDataExchange() {
    m_status->setText(m_status->fontMetrics().elidedText(m_strStatus, Qt::ElideMiddle, m_status->width()));
}

void CSummingDlg::closeEvent(QCloseEvent* event) {
    event->ignore();  // the rescan closes it when it has stopped
    m_stop();
}

void CSummingDlg::reject() { m_stop(); }

void CSummingDlg::SetStatus(const QString& status) {
    m_strStatus = status;
    if (!m_repaint.isActive()) Show();
}

void CSummingDlg::Show() {
    DoDataExchange();
    m_repaint.start();  // the values that come meanwhile wait for it; the last one is shown then
}

}  // namespace gauzel
