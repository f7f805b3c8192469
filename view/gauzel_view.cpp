#include "view/gauzel_view.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QTimerEvent>

#include "core/display/escape.h"
#include "core/display/format_size.h"
#include "legend/od_list_box.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "ui/paint_trace.h"
#include "view/rescan_job.h"
#include "view/summing_dlg.h"

namespace gauzel {

namespace {
constexpr int kStatusPollMs = 33;  // the progress window's pace
}  // namespace

CGauzelView::CGauzelView(ViewServices services, QWidget* parent)
    : QWidget(parent),
      m_savedDrives(services.fileSystem, services.drives),
      m_services{m_savedDrives,       services.settings, m_savedDrives, services.messages,
                 services.savedFiles, services.types,    services.pool},
      m_cbDrives(new QComboBox(this)),
      m_btnGoToRoot(new QPushButton("Go To Root", this)),
      m_btnGoUp(new QPushButton("Go Up", this)),
      m_lbLegend(new COdListBox(*this, services.messages, this)) {
    setObjectName("IDD_GAUZEL_FORM");
    setAccessibleName("Gauzel");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    // The form's template, in dialog units of the desktop's UI font.
    const DialogUnits units = DialogUnitsOf(font());
    m_cbDrives->setObjectName("IDC_DRIVES");
    m_cbDrives->setAccessibleName("Drive");
    m_cbDrives->setEditable(true);  // a drop-down with an edit field: Enter goes to what is typed
    m_cbDrives->setInsertPolicy(QComboBox::NoInsert);
    m_cbDrives->setCompleter(nullptr);
    const QRect combo = DialogRect(units, 4, 4, 116, 77);  // the height includes the dropped list
    m_cbDrives->setGeometry(combo.x(), combo.y(), combo.width(), m_cbDrives->sizeHint().height());
    m_btnGoToRoot->setObjectName("IDC_GO_TO_ROOT");
    m_btnGoToRoot->setGeometry(DialogRect(units, 5, 20, 55, 12));
    m_btnGoToRoot->setEnabled(false);
    m_btnGoUp->setObjectName("IDC_GO_UP");
    m_btnGoUp->setGeometry(DialogRect(units, 65, 20, 55, 12));
    m_btnGoUp->setEnabled(false);
    m_lbLegend->setGeometry(DialogRect(units, 4, 36, 116, 156));
    resize(DialogRect(units, 0, 0, 127, 196).size());

    if (const std::string problem = m_services.settings.Problem(); !problem.empty())
        m_services.messages.Show(
            nullptr, QString("The settings file %1 cannot be read (%2); the default settings are used.")
                         .arg(QString::fromStdString(m_services.settings.Location()),
                              QString::fromStdString(problem)));
    m_nUnits = m_services.settings.GetProfileInt(kSectionOption, kKeyUnits, 0);
    m_counting = CountingOfSettings(m_services.settings);
    const std::optional<RowsBy> by =
        RowsByOf(m_services.settings.GetProfileString(kSectionView, kKeyBy, "folder"));
    m_viewBy = by && *by != RowsBy::kType ? *by : RowsBy::kFolder;
    m_countFiles = m_services.settings.GetProfileInt(kSectionView, kKeyCount, 0) == 1;
    if (const int threads = ThreadsOfSettings(m_services.settings); !ThreadsInRange(threads))
        m_services.messages.Show(
            nullptr, QString("The setting Threads=%1 in %2 is outside 0 to %3; the default is used.")
                         .arg(threads)
                         .arg(QString::fromStdString(m_services.settings.Location()))
                         .arg(kMaxThreads));
    MessageMap();
}

// A rescan still running stops, and its thread is joined, before the disk it reads goes.
CGauzelView::~CGauzelView() { m_rescan.reset(); }

void CGauzelView::MessageMap() {
    m_statusPoll.setInterval(kStatusPollMs);
    connect(&m_statusPoll, &QTimer::timeout, this, [this] { OnStatuses(); });
    connect(m_cbDrives, &QComboBox::activated, this, [this] { OnSelChangeDrive(); });
    connect(m_cbDrives->lineEdit(), &QLineEdit::returnPressed, this, [this] { OnDriveTyped(); });
    // A long entry shows its start ("[-t-] /home/me/..."), which names the drive.
    connect(m_cbDrives, &QComboBox::currentIndexChanged, this,
            [this] { m_cbDrives->lineEdit()->setCursorPosition(0); });
    connect(m_lbLegend, &COdListBox::rowMenuRequested, this,
            [this](int row, QPoint at) { OnContextMenuLegend(row, at); });
    // Queued: the list finishes the mouse or key event before its rows are replaced.
    connect(
        m_lbLegend, &COdListBox::doubleClicked, this, [this] { OnDblClkLegend(); }, Qt::QueuedConnection);
    connect(
        m_lbLegend, &COdListBox::activatedByKey, this, [this] { OnDblClkLegend(); }, Qt::QueuedConnection);
    connect(m_btnGoUp, &QPushButton::clicked, this, [this] { OnGoUp(); });
    connect(m_btnGoToRoot, &QPushButton::clicked, this, [this] { OnGoToRoot(); });
    if (const int mounts = m_services.drives.ChangeDescriptor(); mounts >= 0) {
        m_mountsNotifier = new QSocketNotifier(mounts, QSocketNotifier::Exception, this);
        connect(m_mountsNotifier, &QSocketNotifier::activated, this, [this] { OnMountsChanged(); });
    }
}

QString CGauzelView::FormatSize(ByteCount bytes) const {
    return QString::fromStdString(gauzel::FormatSize(bytes, UnitsOf(m_nUnits)));
}

void CGauzelView::Rescan() {
    // Nothing to scan before the first drive is chosen.
    if (HasPath()) RescanAt(m_profile.m_strPath, m_profile.m_bBelowRoot, Unopened::kShow);
}

void CGauzelView::FitLegend() {
    if (!m_bLayoutDone) return;
    const int widened = std::max(0, m_layout.m_nListWidened + m_lbLegend->SizeTextShortfall());
    if (widened == m_layout.m_nListWidened) return;
    WidenList(m_layout, widened, FromQRect(rect()));
    m_lbLegend->setGeometry(ToQRect(m_layout.m_rectList));
    m_bPieStale = true;
    update();
}

void CGauzelView::timerEvent(QTimerEvent* event) { OnTimer(event->timerId()); }

void CGauzelView::OnTimer(int /*timerId*/) {
    // The one timer is the start-up step: it runs once.
    killTimer(m_nStartupTimer);
    if (m_bLayoutDone) return;
    m_bLayoutDone = true;
    const QRect list(m_lbLegend->mapToGlobal(QPoint(0, 0)), m_lbLegend->size());
    const QRect view(mapToGlobal(QPoint(0, 0)), size());
    const TimerLayout start = LayoutAtTimer(FromQRect(list), FromQRect(view), {view.x(), view.y()});
    m_layout = start.layout;
    if (start.moveList) m_lbLegend->setGeometry(ToQRect(m_layout.m_rectList));
    FillDrivesAndRescan();
}

void CGauzelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize();
}

void CGauzelView::OnSize() {
    if (!m_bLayoutDone) return;
    LayoutAtSize(m_layout, FromQRect(rect()));
    m_lbLegend->setGeometry(ToQRect(m_layout.m_rectList));
    update();
}

void CGauzelView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) OnRButtonDown(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void CGauzelView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLButtonDblClk(event->position().toPoint());
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace gauzel
