#include "view/summing_dlg.h"

#include <QApplication>
#include <QLabel>

#include "ui/dialog_units.h"
#include "view/profile/scan_engine.h"

namespace gauzel {

namespace {
constexpr qint64 kRepaintIntervalMs = 33;  // about 30 repaints a second
}

CSummingDlg::CSummingDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |  // no close box
                          Qt::WindowDoesNotAcceptFocus),
      m_status(new QLabel("Static", this)) {
    // It only shows progress: the main window keeps the activation and the keyboard focus.
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

void CSummingDlg::DoDataExchange() { m_status->setText(m_strStatus); }

void CSummingDlg::SetStatus(const QString& status) {
    m_strStatus = status;
    if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < kRepaintIntervalMs) return;
    DoDataExchange();
    m_status->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceRepaint.start();
}

}  // namespace gauzel
