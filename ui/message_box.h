#pragma once
// The program's few messages to the user: a box titled "Gauzel" with an OK button. Everything
// that shows one goes through a MessageBoxes, so that tests can record them instead.

#include <QString>

class QWidget;

namespace gauzel {

inline constexpr const char* kAppTitle = "Gauzel";

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal; returns when the user has dismissed it.
    virtual void Show(QWidget* parent, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void Show(QWidget* parent, const QString& text) override;
};

}  // namespace gauzel
