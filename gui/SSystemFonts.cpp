// The shared fonts: the system's five interface fonts, made at start-up, and the default font
// that every framework window gets when it is created.
#include <cmath>
#include <cstddef>

#include "gui/SSystem.h"

namespace {

enum SystemFont { kCaptionFont, kSmallCaptionFont, kMenuFont, kStatusFont, kMessageFont, kFonts };

HFONT systemFonts[kFonts] = {};
HFONT defaultFont = nullptr;

}  // namespace

SSystem::~SSystem() {
    for (int i = 0; i < fontFiles.GetCount(); ++i)
        RemoveFontResourceA(fontFiles.GetAt(i)->GetSafeText());
}

bool SSystem::AddFontFile(const char* path) {
    if (!path || AddFontResourceA(path) == 0) return false;
    fontFiles.Add(path);
    return true;
}

// The structure's size is given without the padded-border field that newer systems added, so
// the request is understood by every version of Windows.
void SSystem::MakeFonts() {
    NONCLIENTMETRICSA metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return;
    systemFonts[kMessageFont] = CreateFontIndirectA(&metrics.lfMessageFont);
    systemFonts[kMenuFont] = CreateFontIndirectA(&metrics.lfMenuFont);
    systemFonts[kStatusFont] = CreateFontIndirectA(&metrics.lfStatusFont);
    systemFonts[kCaptionFont] = CreateFontIndirectA(&metrics.lfCaptionFont);
    systemFonts[kSmallCaptionFont] = CreateFontIndirectA(&metrics.lfSmCaptionFont);
    defaultFont = CreateFont(nullptr, metrics.lfMessageFont.lfFaceName, 8.0, 0, nullptr);
}

void SSystem::FreeFonts() {
    for (HFONT& font : systemFonts) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
    if (defaultFont) DeleteObject(defaultFont);
    defaultFont = nullptr;
}

HFONT SSystem::GetDefaultFont() { return defaultFont; }

// The height is -(dpi x points / 72) rounded to the nearest whole number, halves upward.
HFONT SSystem::CreateFont(HDC dc, const char* face, double points, int style, int* height) {
    HDC screen = dc ? dc : GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (!dc && screen) ReleaseDC(nullptr, screen);
    const double exact = -(dpi * points) / 72.0;
    const double below = std::floor(exact);
    const int rounded = static_cast<int>(exact - below >= 0.5 ? std::ceil(exact) : below);
    if (height) *height = rounded;
    return ::CreateFontA(rounded, 0, 0, 0, (style & 1) ? FW_BOLD : 0, (style & 2) ? 1 : 0,
                         (style & 4) ? 1 : 0, (style & 8) ? 1 : 0, 0, 0, 0, 0, 0, face);
}
