#include "forms/Menu.h"

#include "forms/Form.h"

namespace forms {

MenuItem::MenuItem(Form& form, std::string name, std::string caption, int index)
    : form_(form), name_(std::move(name)), caption_(std::move(caption)), index_(index) {}

void MenuItem::SetChecked(bool on) {
    checked_ = on;
    form_.NotifyMenu(*this);
}

}  // namespace forms
