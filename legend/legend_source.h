#pragma once
// What the legend reads, and nothing more: the profile it draws (always whole: a rescan builds
// its own and the view swaps it in when it ends) and the units its sizes are shown in. The view
// is the source.

#include "core/display/format_size.h"
#include "core/profile/profile.h"

namespace gauzel {

class LegendSource {
public:
    virtual const Profile& GetProfile() const = 0;
    virtual Units ShownUnits() const = 0;

protected:
    ~LegendSource() = default;
};

}  // namespace gauzel
