// The Options commands: the units, and the ways of counting, kept in the settings file.

#include <QStringList>
#include <cstring>
#include <string>

#include "legend/od_list_box.h"
#include "options/opt_dlg.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel {

void CGauzelView::OnOptionsSettings() {
    COptDlg dialog(window(), m_services.messages);
    dialog.m_nUnits = m_nUnits;
    // The settings of what the rescans leave out and keep, as the next rescan will read them.
    m_services.settings.Reload();
    const std::string exclude = m_services.settings.GetProfileString(kSectionScan, kKeyExclude, "");
    const bool caches = m_services.settings.GetProfileInt(kSectionScan, kKeyExcludeCaches, 0) == 1;
    const int largest = static_cast<int>(LargestOfSettings(m_services.settings));
    dialog.m_strExclude = QString::fromStdString(exclude).split('|', Qt::SkipEmptyParts).join('\n');
    dialog.m_bExcludeCaches = caches;
    dialog.m_nLargest = largest;
    if (dialog.DoModal() != QDialog::Accepted) return;
    QStringList patterns;  // one a line, blank lines dropped
    for (const QString& line : dialog.m_strExclude.split('\n'))
        if (!line.trimmed().isEmpty()) patterns << line;
    if (const std::string now = patterns.join('|').toStdString(); now != exclude)
        WriteSetting(kSectionScan, kKeyExclude, now);
    if (dialog.m_bExcludeCaches != caches)
        WriteSetting(kSectionScan, kKeyExcludeCaches, dialog.m_bExcludeCaches ? "1" : "0");
    if (dialog.m_nLargest != largest)
        WriteSetting(kSectionScan, kKeyLargest, std::to_string(dialog.m_nLargest));
    m_nUnits = dialog.m_nUnits;
    m_bPieStale = true;
    WriteOption(kKeyUnits, m_nUnits);
    // The sizes are kept in bytes: a repaint shows them in the new units, with no rescan.
    FitLegend();
    update();
    m_lbLegend->viewport()->update();
}

void CGauzelView::WriteOption(const char* key, int value) {
    WriteSetting(kSectionOption, key, std::to_string(value));
}

void CGauzelView::WriteSetting(const char* section, const char* key, const std::string& value) {
    if (const int error = m_services.settings.Write(section, key, value); error != 0)
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
