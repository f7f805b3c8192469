#include "view/summing_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>

#include "core/scan/scan_engine.h"
#include "ui/dialog_units.h"

namespace gauzel {

namespace {
constexpr qint64 kRepaintIntervalMs = 33;  // about 30 repaints a second
}

CSummingDlg::CSummingDlg(QWidget* parent, std::function<void()> stop)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowDoesNotAcceptFocus),
      m_stop(std::move(stop)),
      m_status(new QLabel("Static", this)) {
    // The main window keeps the activation and the keyboard focus: Esc there stops the rescan.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName("IDD_SUMMING");
    setWindowTitle(kSummingCaption);
    setModal(false);
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
    // Lets the window system map and paint the new window; no input reaches the program.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceRepaint.start();
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
    if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < kRepaintIntervalMs) return;
    DoDataExchange();
    m_status->repaint();
    m_sinceRepaint.start();
}

}  // namespace gauzel
