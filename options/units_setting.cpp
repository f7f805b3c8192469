// The Options command: the units setting, kept in the settings file.

#include <cstring>

#include "app/message_box.h"
#include "legend/od_list_box.h"
#include "options/opt_dlg.h"
#include "view/gauzel_view.h"

namespace gauzel {

void CGauzelView::OnOptionsSettings() {
    COptDlg dialog(window());
    dialog.m_nUnits = m_nUnits;
    if (dialog.DoModal() != QDialog::Accepted) return;
    m_nUnits = dialog.m_nUnits;
    m_bPieStale = true;
    // The units change for this run even when they cannot be kept for the next.
    if (const int error = m_services.settings.WriteProfileInt(kSectionOption, kKeyUnits, m_nUnits); error != 0)
        m_services.messages.Show(window(), QString("The setting could not be saved to %1: %2")
                                               .arg(QString::fromStdString(m_services.settings.Location()),
                                                    QString::fromLocal8Bit(std::strerror(error))));
    // The sizes are kept in bytes: a repaint shows them in the new units, with no rescan.
    update();
    m_lbLegend->viewport()->update();
}

}  // namespace gauzel
