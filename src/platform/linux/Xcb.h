#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

#include <QtGlobal>

#include <xcb/xcb.h>

// What the X11 pieces share about the connection Qt's xcb platform opened.
namespace Xcb {
struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
// Replies (and errors) from xcb are malloc'ed and owned by the caller.
template<typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's connection to the X server; null on any other platform or without an application.
xcb_connection_t *connection();
// The root window of every screen of the connection.
std::vector<quint32> roots(xcb_connection_t *connection);
// The atom of the name, XCB_ATOM_NONE when the server does not answer.
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name);
}
