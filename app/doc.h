#pragma once
// The document: it holds nothing. The profile and every other piece of state live in the view.

namespace gauzel {

class CGauzelDoc final {
public:
    bool OnNewDocument() { return true; }
    // Nothing is stored, and nothing is ever written to a file.
    void Serialize() {}
};

}  // namespace gauzel
