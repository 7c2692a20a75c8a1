// Where the engine's plain messages go: an element of an unknown kind in a definition, an image
// that cannot be read. Reading and layout need nothing more of whoever runs them.
#pragma once

class QString;

namespace quorvel::report {

class MessageSink
{
public:
    virtual ~MessageSink() = default;
    /// A plain message (no icon, OK).
    virtual void showMessage(const QString& text) = 0;
};

} // namespace quorvel::report
