// The tests' one way into private parts: the form's (what no desktop shows directly, its
// colours and check marks, and its menu's entries run as a pick in the popup runs them) and,
// where the Linux host is built, the fast X path's (its pixels, composed without a server).
#pragma once

#include <span>

#include "form1.h"
#if __has_include("x11_push.h")
#include "x11_push.h"
#endif

namespace torven::testing {

struct Form1Access {
    static const FormVariables& Variables(const Form1& form) { return form; }
    static std::span<const MenuItem> Menu(const Form1& form) { return form.menu_; }
    static void Click(Form1& form, int entry) { form.Click(entry); }
};

#if __has_include("x11_push.h")
struct X11PushAccess {
    static bool PrepareGlyphs(qt::X11Push& push, std::span<const qt::X11Push::Text> texts,
                              const QFont& font, int ratio) {
        return push.PrepareGlyphs(texts, font, ratio);
    }
    static void Compose(qt::X11Push& push, const Image& image,
                        std::span<const qt::X11Push::Text> texts, const PixelRect& area,
                        std::uint32_t* rows) {
        push.Compose(image, texts, area, rows);
    }
};
#endif

}  // namespace torven::testing
