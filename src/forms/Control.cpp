#include "forms/Control.h"

#include "forms/Form.h"

namespace forms {

Control::Control(forms::Kind kind, std::string name, int index)
    : kind_(kind), name_(std::move(name)), index_(index) {}

std::string Control::FullName() const {
    return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::Move(double left, double top, double width, double height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed();
}

void Control::SetCaption(const std::string& text) {
    caption_ = text;
    Changed();
}

// (A change is applied, so that a screen reader that has read the control hears of it.)
void Control::SetAccessibleName(const std::string& name) {
    if (name == accName_)
        return;
    accName_ = name;
    Changed();
}

void Control::SetAccessibleValue(const std::string& value) {
    if (value == accValue_)
        return;
    accValue_ = value;
    Changed();
}

void Control::SetVisible(bool v) {
    visible_ = v;
    Changed();
}

void Control::SetEnabled(bool on) {
    enabled_ = on;
    Changed();
}

void Control::SetFont(const Font& f) {
    font_ = f;
    Changed();
}

void Control::SetFontSize(double points) {
    font_.size = points;
    Changed();
}

void Control::SetFontBold(bool on) {
    font_.bold = on;
    Changed();
}

void Control::SetFontUnderline(bool on) {
    font_.underline = on;
    Changed();
}

void Control::SetForeColor(Color c) {
    foreColor_ = c;
    Changed();
}

void Control::SetBackColor(Color c) {
    backColor_ = c;
    Changed();
}

void Control::SetOpaque(bool on) {
    opaque_ = on;
    Changed();
}

void Control::SetAlignment(Align a) {
    align_ = a;
    Changed();
}

void Control::SetBorder(bool on) {
    border_ = on;
    Changed();
}

void Control::SetFit(TextFit fit) {
    fit_ = fit;
    Changed();
}

void Control::SetToolTip(const std::string& text) {
    toolTip_ = text;
    Changed();
}

void Control::SetMousePointer(int code) {
    mousePointer_ = code;
    Changed();
}

void Control::SetPicture(int resourceId) {
    picture_ = resourceId;
    Changed();
}

void Control::ZOrder() {
    if (peer_)
        peer_->BringToFront();
}

void Control::CopyPropertiesFrom(const Control& o) {
    left_ = o.left_;
    top_ = o.top_;
    width_ = o.width_;
    height_ = o.height_;
    caption_ = o.caption_;
    visible_ = o.visible_;
    enabled_ = o.enabled_;
    font_ = o.font_;
    foreColor_ = o.foreColor_;
    backColor_ = o.backColor_;
    opaque_ = o.opaque_;
    align_ = o.align_;
    border_ = o.border_;
    fit_ = o.fit_;
    toolTip_ = o.toolTip_;
    mousePointer_ = o.mousePointer_;
    tabIndex_ = o.tabIndex_;
    picture_ = o.picture_;
    scrolls_ = o.scrolls_;
    role_ = o.role_;
    accName_ = o.accName_;
    accValue_ = o.accValue_;
    accShortcut_ = o.accShortcut_;
    Changed();
}

void Control::Attach(ControlPeer* peer) {
    peer_ = peer;
    Changed();
}

void Control::Changed() {
    if (peer_)
        peer_->Apply(*this);
}

Control& ControlArray::Add(int index) {
    auto c = std::make_unique<Control>(kind_, name_, index);
    Control& ref = *c;
    members_[index] = std::move(c);
    form_.Register(ref);
    return ref;
}

Control& ControlArray::Load(int index) {
    auto c = std::make_unique<Control>(kind_, name_, index);
    const Control& model = *members_.at(0);
    c->CopyPropertiesFrom(model);
    c->SetContainer(model.Container());
    c->SetVisible(false);
    Control& ref = *c;
    members_[index] = std::move(c);
    form_.Register(ref);
    return ref;
}

}  // namespace forms
