#include "forms/Form.h"

#include <algorithm>
#include <cmath>

#include "forms/Accessible.h"

namespace forms {

Form::Form(FormHost& host, std::string name) : host_(host), name_(std::move(name)) {}

Form::~Form() = default;

void Form::Design(double innerWidth, double innerHeight, Border border, bool minButton,
                  bool maxButton, bool showInTaskbar, int iconId, Color backColor) {
    designWidth_ = innerWidth;
    designHeight_ = innerHeight;
    clientHeight_ = innerHeight;
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
    wheel_ = 0;  // a turn of the wheel left over was the window's
    for (Control* c : controls_) c->Attach(nullptr);
    peer_.reset();
}

std::uintptr_t Form::hWnd() {
    Load();
    return peer_ ? peer_->Hwnd() : 0;
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
    clientHeight_ = height - frameHeight_;
    Changed();
}

void Form::SetOuterSize(double width, double height) {
    width_ = width;
    height_ = height;
    frameWidth_ = width - designWidth_;
    frameHeight_ = height - designHeight_;
}

void Form::Placed(const Placement& p) {
    state_ = p.state;
    if (p.state == kMinimized)
        return;
    left_ = p.left;
    top_ = p.top;
    width_ = p.width;
    height_ = p.height;
    clientHeight_ = p.clientHeight;
}

PixelRect Form::OnScreen(int systemDpi, int dpi) const {
    // (Its edges are rounded as those of a rectangle at its own DPI.)
    const double k = static_cast<double>(systemDpi) / dpi;
    return TwipsRectToPixels(left_ * k, top_ * k, width_, height_, dpi);
}

void Form::PlacedAt(const PixelRect& outer, int clientWidth, int clientHeight, int state,
                    int systemDpi, int dpi) {
    Placement p{left_,
                top_,
                width_,
                height_,
                PixelsToTwips(clientWidth, dpi),
                PixelsToTwips(clientHeight, dpi),
                state};
    if (state != kMinimized && outer != OnScreen(systemDpi, dpi)) {
        p.left = PixelsToTwips(outer.left, systemDpi);
        p.top = PixelsToTwips(outer.top, systemDpi);
        p.width = PixelsToTwips(outer.width, dpi);
        p.height = PixelsToTwips(outer.height, dpi);
    }
    Placed(p);
    if (state != kMinimized)
        ScrollTo(scrollTop_);  // a taller window may leave less to scroll
}

void Form::SetScrollArea(double areaTop, double step, double bottomMargin) {
    areaTop_ = areaTop;
    step_ = step;
    bottomMargin_ = bottomMargin;
}

double Form::ScrollMax() const {
    if (step_ <= 0)
        return 0;
    double bottom = 0;
    for (const Control* c : controls_)
        if (c->Scrolls() && c->Visible())
            bottom = std::max(bottom, c->Top() + c->Height());
    // Nothing to scroll while every row fits; once one would be cut, the margin shows below
    // the last row scrolled into view.
    if (bottom <= clientHeight_)
        return 0;
    return std::ceil((bottom + bottomMargin_ - clientHeight_) / step_) * step_;
}

void Form::ScrollTo(double top) {
    if (step_ <= 0)
        return;
    top = std::max(0.0, std::min(std::round(top / step_) * step_, ScrollMax()));
    if (top == scrollTop_)
        return;
    scrollTop_ = top;
    Changed();
}

namespace {
// The first button of `controls` that `is` says yes to.
Control* FirstButton(const std::vector<Control*>& controls, bool (Control::*is)() const) {
    for (Control* c : controls)
        if (c->Kind() == Kind::Button && (c->*is)())
            return c;
    return nullptr;
}
}  // namespace

Control* Form::DefaultButton() const {
    return FirstButton(controls_, &Control::IsDefault);
}

Control* Form::CancelButton() const {
    return FirstButton(controls_, &Control::IsCancel);
}

std::function<void()> Form::KeyCommand(bool enter, Control* focused) {
    if (enter && focused && focused->AccessibleRole() == Role::Link)
        return [focused] { DoDefaultAction(*focused); };
    Control* b = enter ? DefaultButton() : CancelButton();
    if (!b && enter)
        b = focused;
    if (b)
        return b->Click;
    if (!enter)
        return [this] { QueryClose(); };
    return nullptr;
}

std::vector<Control*> Form::LayOutOrder() const {
    std::vector<Control*> order = controls_;
    const auto buttons = std::stable_partition(
        order.begin(), order.end(), [](const Control* c) { return c->Kind() != Kind::Button; });
    std::stable_sort(buttons, order.end(), [](const Control* a, const Control* b) {
        return a->TabIndex() < b->TabIndex();
    });
    return order;
}

Control* Form::NextStop(const Control* from, bool back) const {
    const std::vector<Control*> order = LayOutOrder();  // the buttons in their tab order
    std::vector<Control*> stops;
    for (const bool buttons : {true, false})
        for (Control* c : order) {
            bool shown = c->Visible() && c->Enabled();
            for (const Control* up = c->Container(); up; up = up->Container())
                shown = shown && up->Visible();
            if (shown && (c->Kind() == Kind::Button) == buttons &&
                (buttons || c->AccessibleRole() == Role::Link))
                stops.push_back(c);
        }
    if (stops.empty())
        return nullptr;
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end())
        return back ? stops.back() : stops.front();
    const std::size_t n = stops.size();
    return stops[(static_cast<std::size_t>(at - stops.begin()) + (back ? n - 1 : 1)) % n];
}

int Form::PageSteps() const {
    return step_ > 0 ? std::max(1, static_cast<int>((clientHeight_ - areaTop_) / step_)) : 1;
}

Form::ScrollBarSteps Form::ScrollBar() const {
    if (step_ <= 0)
        return {0, 1, 0};
    const int page = PageSteps();
    const int last = static_cast<int>(std::lround(ScrollMax() / step_));
    return {last + page - 1, page, static_cast<int>(std::lround(scrollTop_ / step_))};
}

void Form::Scroll(ScrollBy by) {
    const double page = PageSteps() * step_;
    const double to[] = {
        scrollTop_ - step_, scrollTop_ + step_, scrollTop_ - page, scrollTop_ + page, 0,
        ScrollMax()};
    ScrollTo(to[static_cast<int>(by)]);
}

void Form::Wheel(int delta, unsigned lines) {
    if (!Scrolls())
        return;
    // (A hundred rows a notch is more than any table here holds; the cap keeps the sum in range.)
    const int thirds =
        lines == kWheelPage ? 3 * PageSteps() : static_cast<int>(std::min(lines, 300u));
    constexpr int kRow = 3 * 120;
    wheel_ += delta * thirds;
    const int rows = wheel_ / kRow;
    wheel_ -= rows * kRow;
    ScrollTo(scrollTop_ - rows * step_);
}

double Form::ScreenTop(const Control& c) const {
    return c.Scrolls() ? c.Top() - scrollTop_ : c.Top();
}

bool Form::ScrolledAway(const Control& c) const {
    return c.Scrolls() && scrollTop_ > 0 && ScreenTop(c) < areaTop_;
}

PixelRect Form::PixelBox(const Control& c, int dpi) const {
    double left = c.Left();
    double top = c.Container() ? c.Top() : ScreenTop(c);
    for (const Control* p = c.Container(); p; p = p->Container()) {
        left += p->Left();
        top += p->Container() ? p->Top() : ScreenTop(*p);
    }
    PixelRect r = TwipsRectToPixels(left, top, c.Width(), c.Height(), dpi);
    if (c.Kind() == Kind::Line) {
        r.width = std::max(r.width, 1);
        r.height = std::max(r.height, 1);
    }
    return r;
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
