#pragma once

namespace platform {

// The hourglass for the length of a block, or up to Restore. Nothing without a screen (no
// QGuiApplication). Restoring pops one cursor only while any is set: a window that reset
// every cursor on closing is left as it is.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void Restore();

private:
    bool m_set = false;
};

}  // namespace platform
