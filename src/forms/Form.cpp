#include "forms/Form.h"

namespace forms {

Form::Form(FormHost& host, std::string name) : host_(host), name_(std::move(name)) {}

Form::~Form() = default;

void Form::Design(double innerWidth, double innerHeight, Border border, bool minButton,
                  bool maxButton, bool showInTaskbar, int iconId, Color backColor) {
    designWidth_ = innerWidth;
    designHeight_ = innerHeight;
    width_ = innerWidth;
    height_ = innerHeight;
    border_ = border;
    minButton_ = minButton;
    maxButton_ = maxButton;
    showInTaskbar_ = showInTaskbar;
    iconId_ = iconId;
    backColor_ = backColor;
}

void Form::Load() {
    if (loaded_)
        return;
    loaded_ = true;
    peer_ = host_.Realise(*this);
    Form_Load();
}

void Form::Show() {
    Load();
    visible_ = true;
    Changed();
}

void Form::ShowModal() {
    Load();
    if (!loaded_)
        return;  // Form_Load may unload it
    host_.RunModal(*this);
}

void Form::Hide() {
    visible_ = false;
    Changed();
}

void Form::Unload() {
    if (!loaded_)
        return;
    Form_Unload();
    loaded_ = false;
    visible_ = false;
    for (Control* c : controls_) c->Attach(nullptr);
    peer_.reset();
}

std::uintptr_t Form::hWnd() {
    Load();
    return peer_ ? peer_->Handle() : 0;
}

void Form::SetCaption(const std::string& text) {
    caption_ = text;
    Changed();
}

void Form::Move(double left, double top, double width, double height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed();
}

void Form::SetOuterSize(double width, double height) {
    width_ = width;
    height_ = height;
}

void Form::SetMousePointer(int code) {
    mousePointer_ = code;
    Changed();
}

void Form::Register(Control& c) {
    controls_.push_back(&c);
    if (peer_)
        peer_->AddControl(c);
}

void Form::NotifyMenu(const MenuItem& item) {
    if (peer_)
        peer_->MenuChanged(item);
}

void Form::Changed() {
    if (peer_)
        peer_->Apply(*this);
}

}  // namespace forms
