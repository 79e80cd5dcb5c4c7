// Menu items: the bar's commands and drop-downs, with check marks.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace forms {

class Form;

class MenuItem {
  public:
    MenuItem(Form& form, std::string name, std::string caption, int index = -1);
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& Name() const { return name_; }
    int Index() const { return index_; }
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    const std::vector<MenuItem*>& Items() const { return items_; }
    void AddItem(MenuItem& child) { items_.push_back(&child); }

    std::function<void()> Click;

  private:
    Form& form_;
    std::string name_;
    std::string caption_;
    int index_;
    bool checked_ = false;
    std::vector<MenuItem*> items_;
};

}  // namespace forms
