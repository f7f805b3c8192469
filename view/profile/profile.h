#pragma once
// The profile of one directory: its entries (each immediate subdirectory and the loose files),
// their sizes and colours, the totals, and where the user is.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "view/profile/byte_count.h"

namespace gauzel {

using Colour = std::uint32_t;  // 0x00BBGGRR: red in the low byte
inline constexpr Colour kWhite = 0xFFFFFF;

constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}

// The name the loose-files entry shows. A real directory may carry it too; the entry is known
// by its size slot (IsFilesEntry), never by this name alone.
inline constexpr const char* kFilesEntryName = ">files";

class Profile {
public:
    // Only the first 21 colours take part in the cycle; the last is the white of the small tail.
    static constexpr std::array<Colour, 22> m_crPalette = {
        MakeColour(0, 0, 255),     MakeColour(0, 255, 0),     MakeColour(0, 255, 255),
        MakeColour(255, 0, 0),     MakeColour(255, 0, 255),   MakeColour(255, 255, 0),
        MakeColour(191, 191, 191), MakeColour(191, 191, 127), MakeColour(191, 127, 191),
        MakeColour(191, 127, 127), MakeColour(127, 191, 191), MakeColour(127, 191, 127),
        MakeColour(127, 127, 191), MakeColour(127, 127, 127), MakeColour(127, 127, 127),
        MakeColour(127, 127, 255), MakeColour(127, 255, 127), MakeColour(127, 255, 255),
        MakeColour(255, 127, 127), MakeColour(255, 127, 255), MakeColour(255, 255, 127),
        MakeColour(255, 255, 255)};
    static constexpr std::size_t kCycleLength = 21;

    // ResetModel's modes, with the numbers they have always had.
    static constexpr int kResetToRoot = 1;   // the view stands at the drive root
    static constexpr int kResetEntries = 2;  // no entries and no tree total (path, flag and volume stay)

    Profile() {
        ResetModel(kResetToRoot);
        ResetModel(kResetEntries);
    }

    // Other modes do nothing.
    void ResetModel(int mode);

    // Stable, largest first: equal sizes keep their order, so the loose-files entry, appended
    // last, stays last among its equals. Sizes keep their identity (the same heap slots).
    void SortEntriesBySize();

    // One colour per entry, after sorting: palette colour i mod 21, or white for the entries
    // of the small tail that get no pie slice.
    void AssignEntryColors();

    // Entry i exists in all three lists: true once a rescan has completed, false while one runs.
    // Painting and the legend read entries only when this holds.
    bool IsComplete() const {
        return !m_listSizes.empty() && m_listNames.size() == m_listSizes.size() &&
               m_pEntryColors.size() == m_listSizes.size();
    }
    std::size_t EntryCount() const { return m_listNames.size(); }
    ByteCount EntrySize(std::size_t i) const { return *m_listSizes[i]; }
    bool IsFilesEntry(std::size_t i) const {
        return m_pFilesSize != nullptr && m_listSizes[i].get() == m_pFilesSize;
    }

    std::vector<std::string> m_listNames;               // bare names, bytes as on disk
    std::vector<std::unique_ptr<ByteCount>> m_listSizes;    // element i belongs to name i
    std::vector<Colour> m_pEntryColors;                 // empty until AssignEntryColors
    ByteCount* m_pFilesSize = nullptr;                      // the loose-files entry's slot, if any
    ByteCount m_dTreeSize = 0;
    ByteCount m_dFreeSpace = 0;
    ByteCount m_dDiskSize = 0;
    std::string m_strPath;                              // logical: "C:", "C:\dir\sub"
    bool m_bBelowRoot = false;
};

}  // namespace gauzel
