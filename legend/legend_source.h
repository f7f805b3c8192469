#pragma once
// What the legend reads, and nothing more: the profile it draws (always whole: a rescan builds
// its own and the view swaps it in when it ends), the units its sizes are shown in, and the
// comparison with a saved scan, if any. The view is the source.

#include <cstddef>
#include <string>

#include "core/display/format_size.h"
#include "core/profile/profile.h"
#include "core/saved/comparison.h"

namespace gauzel {

class LegendSource {
public:
    virtual const Profile& GetProfile() const = 0;
    virtual Units ShownUnits() const = 0;
    // The profile beside a saved scan, while comparing; null otherwise.
    virtual const Comparison* Compared() const = 0;
    // More about row `row`, under its tooltip (empty: nothing).
    virtual std::string RowNote(std::size_t /*row*/) const { return {}; }

protected:
    ~LegendSource() = default;
};

}  // namespace gauzel
