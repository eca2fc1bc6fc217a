// Qt first: Xlib defines macros (Status, Bool) that Qt's headers refuse to follow.
#include <QDir>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <map>
#include <memory>

#include "core/ports/KeySource.h"
#include "platform/linux/EvdevReader.h"
#include "platform/linux/KeyTranslator.h"

namespace clipwarden {

namespace {

constexpr const char* kNoKeySource =
    "F5 and F6 are not available: there is no X display and no keyboard under /dev/input that "
    "Clipwarden may read. Run Clipwarden inside your desktop session, or join the input group "
    "(sudo usermod -aG input $USER, then log in again).";

/** One way of watching the keyboard; it delivers while it lives. */
class Watcher {
public:
    Watcher() = default;
    virtual ~Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    Watcher(Watcher&&) = delete;
    Watcher& operator=(Watcher&&) = delete;
};

/** XInput2 raw key events of every master device, selected on the root window of a connection
 *  of our own: they arrive whichever window has the focus, and nothing is grabbed. */
class X11Watcher final : public Watcher {
public:
    static std::unique_ptr<X11Watcher> Open(KeyHandler handler) {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            return nullptr;
        }
        int opcode = 0;
        int event = 0;
        int error = 0;
        int major = 2;
        int minor = 0;
        if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
            XIQueryVersion(display, &major, &minor) != Success) {
            XCloseDisplay(display);
            return nullptr;
        }
        std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
        XISetMask(bits.data(), XI_RawKeyPress);
        XISetMask(bits.data(), XI_RawKeyRelease);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
        XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
        XFlush(display);
        return std::unique_ptr<X11Watcher>(new X11Watcher(display, opcode, std::move(handler)));
    }

    ~X11Watcher() override {
        notifier_.reset();
        XCloseDisplay(display_);
    }
    X11Watcher(const X11Watcher&) = delete;
    X11Watcher& operator=(const X11Watcher&) = delete;
    X11Watcher(X11Watcher&&) = delete;
    X11Watcher& operator=(X11Watcher&&) = delete;

private:
    X11Watcher(Display* display, int opcode, KeyHandler handler)
        : display_(display), opcode_(opcode), handler_(std::move(handler)),
          notifier_(
              std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read)) {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    }

    void Drain() {
        while (XPending(display_) > 0) {
            XEvent event{};
            XNextEvent(display_, &event);
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != opcode_ ||
                !XGetEventData(display_, cookie)) {
                continue;
            }
            if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                const auto keycode = static_cast<unsigned>(raw->detail);
                const KeySym keysym =
                    XkbKeycodeToKeysym(display_, static_cast<KeyCode>(keycode), 0, 0);
                const KeyEvent key =
                    translator_.Translate(KeyFromKeysym(keysym), cookie->evtype == XI_RawKeyPress);
                XFreeEventData(display_, cookie);
                handler_(key);
                continue;
            }
            XFreeEventData(display_, cookie);
        }
    }

    Display* display_;
    int opcode_;
    KeyHandler handler_;
    KeyTranslator translator_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

/** Every keyboard under /dev/input the user may read, including ones plugged in later. */
class EvdevWatcher final : public Watcher {
public:
    static std::unique_ptr<EvdevWatcher> Open(KeyHandler handler) {
        auto source = std::unique_ptr<EvdevWatcher>(new EvdevWatcher(std::move(handler)));
        source->Scan();
        if (source->readers_.empty()) {
            return nullptr;
        }
        return source;
    }

    ~EvdevWatcher() override = default;
    EvdevWatcher(const EvdevWatcher&) = delete;
    EvdevWatcher& operator=(const EvdevWatcher&) = delete;
    EvdevWatcher(EvdevWatcher&&) = delete;
    EvdevWatcher& operator=(EvdevWatcher&&) = delete;

private:
    struct Device {
        std::unique_ptr<EvdevReader> reader;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    explicit EvdevWatcher(KeyHandler handler) : handler_(std::move(handler)) {
        watcher_.addPath(QStringLiteral("/dev/input"));
        QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { Scan(); });
    }

    static bool IsKeyboard(int fd) {
        std::array<unsigned long, (KEY_MAX + 1) / (8 * sizeof(unsigned long)) + 1> keys{};
        if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof(keys)), keys.data()) < 0) {
            return false;
        }
        const auto has = [&](unsigned code) {
            constexpr unsigned kBits = 8 * sizeof(unsigned long);
            return (keys[code / kBits] >> (code % kBits)) & 1UL;
        };
        return has(KEY_F5) && has(KEY_F6);
    }

    void Scan() {
        const QStringList nodes =
            QDir(QStringLiteral("/dev/input")).entryList({QStringLiteral("event*")}, QDir::System);
        for (const QString& node : nodes) {
            const std::string path = "/dev/input/" + node.toStdString();
            if (readers_.count(path) != 0) {
                continue;
            }
            const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            if (!IsKeyboard(fd)) {
                close(fd);
                continue;
            }
            Device device;
            device.reader = std::make_unique<EvdevReader>(fd, [this](unsigned code, bool down) {
                handler_(translator_.Translate(KeyFromEvdevCode(code), down));
            });
            device.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(device.notifier.get(), &QSocketNotifier::activated,
                             [this, path] { Read(path); });
            readers_.emplace(path, std::move(device));
        }
    }

    void Read(const std::string& path) {
        const auto it = readers_.find(path);
        if (it != readers_.end() && !it->second.reader->ReadAvailable()) {
            readers_.erase(it); // unplugged
        }
    }

    KeyHandler handler_;
    KeyTranslator translator_;
    QFileSystemWatcher watcher_;
    std::map<std::string, Device> readers_;
};

/** The keyboard of Linux: X11 where a display can be reached, else evdev. */
class LinuxKeySource final : public KeySource {
public:
    KeySubscription Subscribe(KeyHandler handler, std::string& why) override {
        std::unique_ptr<Watcher> watcher = X11Watcher::Open(handler);
        if (!watcher) {
            watcher = EvdevWatcher::Open(handler);
        }
        if (!watcher) {
            why = kNoKeySource;
            return 0;
        }
        const KeySubscription subscription = ++lastSubscription_;
        watchers_.emplace(subscription, std::move(watcher));
        return subscription;
    }

    void Unsubscribe(KeySubscription subscription) override { watchers_.erase(subscription); }

private:
    KeySubscription lastSubscription_ = 0;
    std::map<KeySubscription, std::unique_ptr<Watcher>> watchers_;
};

} // namespace

std::unique_ptr<KeySource> CreateKeySource() {
    return std::make_unique<LinuxKeySource>();
}

} // namespace clipwarden
