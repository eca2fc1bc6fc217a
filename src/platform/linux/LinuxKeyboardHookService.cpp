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

#include "platform/KeyboardHookService.h"
#include "platform/linux/EvdevReader.h"
#include "platform/linux/KeyTranslator.h"

namespace clipwarden {

namespace {

constexpr const char* kNoKeySource =
    "F5 and F6 are not available: there is no X display and no keyboard under /dev/input that "
    "Clipwarden may read. Run Clipwarden inside your desktop session, or join the input group "
    "(sudo usermod -aG input $USER, then log in again).";

/** A source of key events for the hook procedure. */
class KeySource {
public:
    KeySource() = default;
    virtual ~KeySource() = default;
    KeySource(const KeySource&) = delete;
    KeySource& operator=(const KeySource&) = delete;
    KeySource(KeySource&&) = delete;
    KeySource& operator=(KeySource&&) = delete;
};

/** Deliver a translated key to the hook procedure; our sources never consume a key. */
void Deliver(const HookProc& proc, const KeyEvent& event) {
    proc(event, [] { return std::intptr_t{0}; });
}

/** XInput2 raw key events of every master device, selected on the root window of a connection
 *  of our own: they arrive whichever window has the focus, and nothing is grabbed. */
class X11KeySource final : public KeySource {
public:
    static std::unique_ptr<X11KeySource> Open(HookProc proc) {
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
        return std::unique_ptr<X11KeySource>(new X11KeySource(display, opcode, std::move(proc)));
    }

    ~X11KeySource() override {
        notifier_.reset();
        XCloseDisplay(display_);
    }
    X11KeySource(const X11KeySource&) = delete;
    X11KeySource& operator=(const X11KeySource&) = delete;
    X11KeySource(X11KeySource&&) = delete;
    X11KeySource& operator=(X11KeySource&&) = delete;

private:
    X11KeySource(Display* display, int opcode, HookProc proc)
        : display_(display), opcode_(opcode), proc_(std::move(proc)),
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
                const KeyEvent key = translator_.Translate(VkFromKeysym(keysym), keycode,
                                                           cookie->evtype == XI_RawKeyPress,
                                                           static_cast<std::uint32_t>(raw->time));
                XFreeEventData(display_, cookie);
                Deliver(proc_, key);
                continue;
            }
            XFreeEventData(display_, cookie);
        }
    }

    Display* display_;
    int opcode_;
    HookProc proc_;
    KeyTranslator translator_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

/** Every keyboard under /dev/input the user may read, including ones plugged in later. */
class EvdevKeySource final : public KeySource {
public:
    static std::unique_ptr<EvdevKeySource> Open(HookProc proc) {
        auto source = std::unique_ptr<EvdevKeySource>(new EvdevKeySource(std::move(proc)));
        source->Scan();
        if (source->readers_.empty()) {
            return nullptr;
        }
        return source;
    }

    ~EvdevKeySource() override = default;
    EvdevKeySource(const EvdevKeySource&) = delete;
    EvdevKeySource& operator=(const EvdevKeySource&) = delete;
    EvdevKeySource(EvdevKeySource&&) = delete;
    EvdevKeySource& operator=(EvdevKeySource&&) = delete;

private:
    struct Device {
        std::unique_ptr<EvdevReader> reader;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    explicit EvdevKeySource(HookProc proc) : proc_(std::move(proc)) {
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
            device.reader = std::make_unique<EvdevReader>(
                fd, [this](std::uint32_t vk, std::uint32_t code, bool down, std::uint32_t time) {
                    Deliver(proc_, translator_.Translate(vk, code, down, time));
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

    HookProc proc_;
    KeyTranslator translator_;
    QFileSystemWatcher watcher_;
    std::map<std::string, Device> readers_;
};

/** The low-level keyboard hook of Linux: X11 where a display can be reached, else evdev. */
class LinuxKeyboardHookService final : public KeyboardHookService {
public:
    HookHandle Install(HookProc proc, std::string& why) override {
        std::unique_ptr<KeySource> source = X11KeySource::Open(proc);
        if (!source) {
            source = EvdevKeySource::Open(proc);
        }
        if (!source) {
            why = kNoKeySource;
            return 0;
        }
        const HookHandle handle = ++lastHandle_;
        sources_.emplace(handle, std::move(source));
        return handle;
    }

    void Uninstall(HookHandle hook) override { sources_.erase(hook); }

private:
    HookHandle lastHandle_ = 0;
    std::map<HookHandle, std::unique_ptr<KeySource>> sources_;
};

} // namespace

std::unique_ptr<KeyboardHookService> CreateKeyboardHookService() {
    return std::make_unique<LinuxKeyboardHookService>();
}

} // namespace clipwarden
