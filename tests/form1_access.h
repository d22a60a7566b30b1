// The tests' one way into the form's private parts: what no desktop shows directly (its
// colours and check marks), and its menu's entries run as a pick in the popup runs them.
#pragma once

#include <span>

#include "form1.h"

namespace torven::testing {

struct Form1Access {
    static const FormVariables& Variables(const Form1& form) { return form; }
    static std::span<const MenuItem> Menu(const Form1& form) { return form.menu_; }
    static void Click(Form1& form, int entry) { form.Click(entry); }
};

}  // namespace torven::testing
