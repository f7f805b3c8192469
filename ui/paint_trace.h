#pragma once
// With GAUZEL_PAINT_TIMES set, the window writes to standard error when a rescan starts, when its
// progress window closes, and when the view and the legend have painted: the benchmark times the
// window's share of a rescan from these lines ("gauzel-times: <what> <milliseconds>").

namespace gauzel {

void TracePaint(const char* what);

}  // namespace gauzel
