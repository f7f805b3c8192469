#include "app/gauzel.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/message_box.h"

namespace gauzel {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("IDD_ABOUTBOX");
    setWindowTitle("About Gauzel");
    const DialogUnits units = DialogUnitsOf(font());
    setFixedSize(units.X(207), units.Y(122));

    auto label = [&](const char* text, int x, int y, int width, int height, Qt::Alignment alignment) {
        auto* item = new QLabel(text, this);
        item->setGeometry(DialogRect(units, x, y, width, height));
        item->setAlignment(alignment | Qt::AlignTop);
        item->setWordWrap(true);
        return item;
    };
    auto* icon = new QLabel(this);
    icon->setGeometry(DialogRect(units, 116, 96, 18, 20));
    icon->setPixmap(windowIcon().pixmap(32, 32));
    label("Gauzel Version " GAUZEL_VERSION, 115, 5, 70, 8, Qt::AlignHCenter);
    auto* ok = new QPushButton("OK", this);
    ok->setGeometry(DialogRect(units, 152, 100, 32, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    (new QGroupBox("What Gauzel Does", this))->setGeometry(DialogRect(units, 7, 10, 97, 38));
    label("Profiles hard drive usage", 16, 28, 84, 11, Qt::AlignLeft);
    (new QGroupBox("Legal", this))->setGeometry(DialogRect(units, 8, 60, 97, 48));
    label("A 32 bit application", 115, 25, 72, 8, Qt::AlignHCenter);
    label("Reads your disks,", 115, 45, 72, 8, Qt::AlignHCenter);
    label("never writes them", 115, 55, 72, 8, Qt::AlignHCenter);
    label("Provided as is, without warranty of any kind.", 14, 72, 86, 30, Qt::AlignLeft);
}

CGauzelApp::CGauzelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("gauzel");
    // No display name: Qt would append it to every caption but the main window's.
    setDesktopFileName("gauzel");
    setWindowIcon(QIcon(":/gauzel.png"));
}

CGauzelApp::~CGauzelApp() = default;

bool CGauzelApp::InitInstance(ViewServices services, std::optional<std::string> startDirectory,
                              std::optional<std::string> compare) {
    if (!m_doc.OnNewDocument()) return false;
    m_pMainFrame = std::make_unique<CMainFrame>(services);
    if (startDirectory) m_pMainFrame->View()->SetStartDirectory(std::move(*startDirectory));
    if (compare) m_pMainFrame->View()->SetStartComparison(QString::fromLocal8Bit(compare->c_str()));
    QObject::connect(m_pMainFrame.get(), &CMainFrame::aboutRequested, m_pMainFrame.get(),
                     [this] { OnAppAbout(); });
    m_pMainFrame->show();
    return true;
}

void CGauzelApp::OnAppAbout() {
    CAboutDlg about(m_pMainFrame.get());
    // Placed from the frame's client area, not centred.
    const DialogUnits units = DialogUnitsOf(about.font());
    about.move(m_pMainFrame->mapToGlobal(QPoint(units.X(34), units.Y(22))));
    about.exec();
}

}  // namespace gauzel
