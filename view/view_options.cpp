// The Options commands: the units, and the ways of counting, kept in the settings file.

#include <cstring>

#include "legend/od_list_box.h"
#include "options/opt_dlg.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel {

void CGauzelView::OnOptionsSettings() {
    COptDlg dialog(window());
    dialog.m_nUnits = m_nUnits;
    if (dialog.DoModal() != QDialog::Accepted) return;
    m_nUnits = dialog.m_nUnits;
    m_bPieStale = true;
    WriteOption(kKeyUnits, m_nUnits);
    // The sizes are kept in bytes: a repaint shows them in the new units, with no rescan.
    FitLegend();
    update();
    m_lbLegend->viewport()->update();
}

void CGauzelView::WriteOption(const char* key, int value) {
    if (const int error = m_services.settings.WriteProfileInt(kSectionOption, key, value); error != 0)
        m_services.messages.Show(window(), QString("The setting could not be saved to %1: %2")
                                               .arg(QString::fromStdString(m_services.settings.Location()),
                                                    QString::fromLocal8Bit(std::strerror(error))));
}

void CGauzelView::OnCountDiskUsage() {
    m_counting.allocated = !m_counting.allocated;
    WriteOption(kKeyAllocated, m_counting.allocated ? 1 : 0);
    Rescan();
}

void CGauzelView::OnCountLinksOnce() {
    m_counting.linksOnce = !m_counting.linksOnce;
    WriteOption(kKeyLinksOnce, m_counting.linksOnce ? 1 : 0);
    Rescan();
}

void CGauzelView::OnUpdateCounting(QAction* diskUsage, QAction* linksOnce) const {
    diskUsage->setChecked(m_counting.allocated);
    linksOnce->setChecked(m_counting.linksOnce);
}

}  // namespace gauzel
