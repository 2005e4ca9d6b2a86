#include "platform/monitors.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {
std::string atomName(Display* display, Atom atom) {
    if (atom == 0) return "";
    char* name = XGetAtomName(display, atom);
    if (name == nullptr) return "";
    std::string copy = name;
    XFree(name);
    return copy;
}

std::vector<std::string> outputNames(Display* display, XRRScreenResources* resources, const XRRMonitorInfo& monitor) {
    std::vector<std::string> names;
    for (int i = 0; resources != nullptr && i < monitor.noutput; ++i) {
        if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, monitor.outputs[i])) {
            names.emplace_back(output->name, static_cast<std::size_t>(output->nameLen));
            XRRFreeOutputInfo(output);
        }
    }
    return names;
}

bool hasRandrMonitors(Display* display) {
    int event = 0, error = 0, major = 0, minor = 0;
    return XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 5));
}
}  // namespace

std::vector<Monitor> listMonitors(Display* display) {
    std::vector<Monitor> monitors;
    const Window root = DefaultRootWindow(display);
    if (hasRandrMonitors(display)) {
        int count = 0;
        XRRMonitorInfo* list = XRRGetMonitors(display, root, True, &count);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
        for (int i = 0; list != nullptr && i < count; ++i) {
            monitors.push_back({atomName(display, list[i].name), outputNames(display, resources, list[i]), list[i].x,
                                list[i].y, list[i].width, list[i].height, list[i].primary != 0});
        }
        if (resources != nullptr) XRRFreeScreenResources(resources);
        if (list != nullptr) XRRFreeMonitors(list);
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(display);
        monitors.push_back({"screen", {}, 0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)});
    }
    return monitors;
}

const Monitor* findMonitor(const std::vector<Monitor>& monitors, const std::string& wanted) {
    char* end = nullptr;
    const long number = std::strtol(wanted.c_str(), &end, 10);
    if (!wanted.empty() && *end == '\0') {
        return number >= 0 && number < static_cast<long>(monitors.size()) ? &monitors[static_cast<std::size_t>(number)]
                                                                           : nullptr;
    }
    for (const Monitor& monitor : monitors) {
        if (monitor.name == wanted) return &monitor;
        for (const std::string& output : monitor.outputs) {
            if (output == wanted) return &monitor;
        }
    }
    return nullptr;
}

std::string describeMonitors(const std::vector<Monitor>& monitors) {
    std::string text;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Monitor& m = monitors[i];
        if (i > 0) text += ", ";
        text += std::to_string(i) + " " + m.name;
        for (const std::string& output : m.outputs) {
            if (output != m.name) text += " (" + output + ")";
        }
        text += " " + std::to_string(m.width) + "x" + std::to_string(m.height) + "+" + std::to_string(m.x) + "+" +
                std::to_string(m.y);
    }
    return text;
}

Problem monitorOnDisplay(const std::string& displayName, const std::string& wanted, Monitor& monitor) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) return "cannot open the display to find its monitors";
    const std::vector<Monitor> monitors = listMonitors(display);
    XCloseDisplay(display);
    if (wanted.empty()) {
        const auto primary = std::ranges::find(monitors, true, &Monitor::primary);
        monitor = primary != monitors.end() ? *primary : monitors.front();
        return {};
    }
    const Monitor* found = findMonitor(monitors, wanted);
    if (found == nullptr) return "no monitor '" + wanted + "'; there are: " + describeMonitors(monitors);
    monitor = *found;
    return {};
}
