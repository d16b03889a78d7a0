#include "x11_desktop.h"

#include <QProcess>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace quillo::test {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

} // namespace

X11Desktop::X11Desktop() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

X11Desktop::~X11Desktop() {
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11Desktop::isConnected() const {
    return m_connection && !xcb_connection_has_error(m_connection);
}

xcb_atom_t X11Desktop::atom(const char* name) const {
    auto r = reply(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, strlen(name), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString X11Desktop::name(xcb_window_t window) const {
    const std::pair<xcb_atom_t, xcb_atom_t> sources[] = {{atom("_NET_WM_NAME"), atom("UTF8_STRING")},
                                                         {XCB_ATOM_WM_NAME, XCB_ATOM_STRING}};
    for (const auto& [property, type] : sources) {
        auto r = reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 1024), nullptr));
        if (r && xcb_get_property_value_length(r.get()) > 0)
            return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r.get())),
                                     xcb_get_property_value_length(r.get()));
    }
    return {};
}

bool X11Desktop::isViewable(xcb_window_t window) const {
    auto r = reply(xcb_get_window_attributes_reply(m_connection,
                                                   xcb_get_window_attributes(m_connection, window), nullptr));
    return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

QRect X11Desktop::geometry(xcb_window_t window) const {
    auto g = reply(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    auto t = reply(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!g || !t)
        return {};
    return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

QList<quint32> X11Desktop::cardinalProperty(xcb_window_t window, const char* atomName) const {
    auto r = reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, atom(atomName), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr));
    if (!r || r->format != 32)
        return {};
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(r.get()));
    return QList<quint32>(values, values + xcb_get_property_value_length(r.get()) / 4);
}

xcb_window_t X11Desktop::activeWindow() const {
    const auto values = cardinalProperty(m_root, "_NET_ACTIVE_WINDOW");
    return values.isEmpty() ? 0 : values.first();
}

xcb_window_t X11Desktop::inputFocus() const {
    auto r = reply(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return r ? r->focus : 0;
}

quint16 X11Desktop::modifierState() const {
    auto r = reply(xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    return r ? quint16(r->mask & 0xff) : 0;
}

QList<xcb_window_t> X11Desktop::clientList() const {
    QList<xcb_window_t> clients;
    for (quint32 window : cardinalProperty(m_root, "_NET_CLIENT_LIST"))
        clients << window;
    return clients;
}

QList<xcb_window_t> X11Desktop::viewableWindowsNamed(const QString& wanted) const {
    QList<xcb_window_t> found;
    for (xcb_window_t window : clientList())
        if (name(window) == wanted && isViewable(window))
            found << window;
    return found;
}

QString X11Desktop::xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    return output.isNull() ? QStringLiteral("") : output; // success without output is still not null
}

} // namespace quillo::test
