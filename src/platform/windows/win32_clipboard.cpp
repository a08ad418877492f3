#include "platform/windows/win32_clipboard.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <new>
#include <vector>

#include "core/clipboard_formats.h"
#include "core/clipboard_secret.h"

namespace tavro::win32 {

namespace {

constexpr wchar_t kMessageWindowClass[] = L"TavroClipboardWindow";

struct RegisteredFormat {
    UINT id;
    QString mimeType;  // as the secret rule names it
};

// The formats by which password managers mark content, registered once.
const std::vector<RegisteredFormat>& secretFormats() {
    static const std::vector<RegisteredFormat> formats = [] {
        std::vector<RegisteredFormat> registered;
        for (const char* name : kWindowsSecretFormats) {
            const QString formatName = QString::fromLatin1(name);
            const UINT id = RegisterClipboardFormatW(reinterpret_cast<LPCWSTR>(formatName.utf16()));
            if (id != 0) {
                registered.push_back({id, windowsFormatMimeType(formatName)});
            }
        }
        return registered;
    }();
    return formats;
}

UINT richTextFormat() {
    static const UINT id = RegisterClipboardFormatW(L"Rich Text Format");
    return id;
}

// The bytes of one format of the open clipboard; nothing when they can't be had.
std::optional<QByteArray> bytesOf(UINT format) {
    const HANDLE block = GetClipboardData(format);
    if (block == nullptr) {
        return std::nullopt;
    }
    const void* data = GlobalLock(block);
    if (data == nullptr) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes(
        QByteArray(static_cast<const char*>(data), qsizetype(GlobalSize(block))));
    GlobalUnlock(block);
    return bytes;
}

// The formats the clipboard offers, asked in one call (each call is a round trip to the
// system, which is what a burst of copies leaves least time for). Empty when it can't be had.
std::vector<UINT> offeredFormats() {
    std::vector<UINT> formats(64);
    UINT count = 0;
    while (!GetUpdatedClipboardFormats(formats.data(), UINT(formats.size()), &count)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || count <= formats.size()) {
            return {};
        }
        formats.resize(count);
    }
    formats.resize(count);
    return formats;
}

// The history's four questions about the offered formats. The system offers each text
// format whenever one of them is there, and each bitmap form beside the other.
int formatMaskOf(const std::vector<UINT>& offered) {
    const struct {
        UINT format;
        int mask;
    } questions[] = {
        {CF_UNICODETEXT, kFormatText},
        {CF_TEXT, kFormatText},
        {CF_BITMAP, kFormatBitmap},
        {CF_DIB, kFormatDeviceIndependentBitmap},
        {CF_DIBV5, kFormatDeviceIndependentBitmap},
        {richTextFormat(), kFormatRichText},
    };
    int mask = 0;
    for (const auto& question : questions) {
        if (std::find(offered.begin(), offered.end(), question.format) != offered.end()) {
            mask |= question.mask;
        }
    }
    return mask;
}

}  // namespace

HWND createMessageWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const bool registered = [instance] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kMessageWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered) {
        return nullptr;
    }
    return CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           instance, nullptr);
}

bool openClipboard(HWND window, std::chrono::milliseconds patience,
                   const std::function<bool()>& giveUp) {
    const auto start = std::chrono::steady_clock::now();
    while (!OpenClipboard(window)) {
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= patience || (giveUp && giveUp())) {
            return false;
        }
        // Most holders close it within a moment: only yield at first, then sleep.
        if (waited < std::chrono::milliseconds(2)) {
            SwitchToThread();
        } else {
            Sleep(1);
        }
    }
    return true;
}

ClipboardChange describeOpenClipboard() {
    ClipboardChange change;
    const std::vector<UINT> offered = offeredFormats();
    if (offered.empty() && CountClipboardFormats() != 0) {
        change.formatMask = kUnknownFormats;  // the formats could not be learned
        return change;
    }
    QStringList marks;
    for (const RegisteredFormat& format : secretFormats()) {
        if (std::find(offered.begin(), offered.end(), format.id) != offered.end()) {
            marks.append(format.mimeType);
        }
    }
    const SecretMark secret = clipboardSecretMark(marks, [](const QString& mimeType) {
        for (const RegisteredFormat& format : secretFormats()) {
            if (format.mimeType == mimeType) {
                return bytesOf(format.id);
            }
        }
        return std::optional<QByteArray>();
    });
    if (secret == SecretMark::Secret) {
        change.kind = ClipboardChange::Kind::Secret;
        return change;
    }
    change.formatMask = formatMaskOf(offered);
    if (secret == SecretMark::Unknown || !takesClipboardText(change.formatMask)) {
        return change;  // a mark that could not be read: the text is not asked for
    }
    if (const HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        change.text = textOfBlock(block);
    }
    return change;
}

std::optional<QString> textOfBlock(HGLOBAL block) {
    const SIZE_T size = GlobalSize(block);
    const auto* chars = static_cast<const char16_t*>(GlobalLock(block));
    if (chars == nullptr) {
        return std::nullopt;
    }
    const char16_t* end = std::find(chars, chars + size / sizeof(char16_t), u'\0');
    std::optional<QString> text;
    try {
        // Taken unit for unit: QString::fromUtf16 would drop or act on a leading byte-order mark.
        text = QString(reinterpret_cast<const QChar*>(chars), qsizetype(end - chars));
    } catch (const std::bad_alloc&) {
        // Too large to hold: no text.
    }
    GlobalUnlock(block);
    return text;
}

QString textUpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

bool putText(const QString& text) {
    const SIZE_T size = (SIZE_T(text.size()) + 1) * sizeof(char16_t);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) {
        return false;
    }
    auto* into = static_cast<char16_t*>(GlobalLock(block));
    if (into == nullptr) {
        GlobalFree(block);
        return false;
    }
    std::copy_n(text.utf16(), text.size(), into);
    into[text.size()] = u'\0';
    GlobalUnlock(block);
    // Once SetClipboardData has taken the block, it is the system's.
    if (!EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
        GlobalFree(block);
        return false;
    }
    return true;
}

}  // namespace tavro::win32
