// The controls a form is made of: each holds its properties; a peer, when the form is
// realised on a screen, applies them there whenever one changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace forms {

// A colour as red, green and blue (0x00BBGGRR), or a system colour: kSystemColor | index.
using Color = std::uint32_t;
constexpr Color kSystemColor = 0x80000000u;
constexpr Color Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr Color SystemColor(unsigned index) {
    return kSystemColor | index;
}
constexpr Color kButtonFace = SystemColor(15);
constexpr Color kButtonText = SystemColor(18);
constexpr Color kWindowBackground = SystemColor(5);
constexpr Color kWindowText = SystemColor(8);

struct Font {
    std::string name = "MS Sans Serif";
    double size = 8.25;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const Font&) const = default;
};

enum class Kind { Label, Shape, Line, Button, Frame, Picture };
enum class Align { Left, Right, Center };

// What a label does with text that does not fit it on the screen it is shown on.
enum class TextFit {
    Grow,      // the label grows, as little as its text needs
    Ellipsis,  // one line, cut short with an ellipsis; the whole text is the label's tooltip
    Shrink,    // one line, in narrower type (smaller, failing that) until it fits; cut short
               // where even a third of its width or size does not, the whole text its tooltip
};

// What a control is to a screen reader: the system's accessible roles that the forms use, by
// Active Accessibility's numbers for them (ROLE_SYSTEM_STATICTEXT, ...). Automatic takes the
// role from the control's kind.
enum class Role {
    Automatic = 0,
    Text = 0x29,
    ColumnHeader = 0x19,
    ProgressBar = 0x30,
    Indicator = 0x27,  // a part of a bar drawn over it, read with the bar
    Link = 0x1E,
    Graphic = 0x28,
    Button = 0x2B,
    Grouping = 0x14,
    Separator = 0x15,
};

// Mouse pointers: the codes the forms use.
enum MousePointer : int { kDefaultPointer = 0, kHourglass = 11, kCustomPointer = 99 };

// Mouse buttons as the mouse events report them.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class Control;

class ControlPeer {
  public:
    virtual ~ControlPeer() = default;
    // Applies every property of the control to the screen.
    virtual void Apply(const Control& c) = 0;
    // Brings the control in front of its siblings.
    virtual void BringToFront() = 0;
};

class Control {
  public:
    using MouseHandler = std::function<void(int button, int shift, double x, double y)>;

    Control(forms::Kind kind, std::string name, int index = -1);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    forms::Kind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    int Index() const { return index_; }
    // "lbDes(2)" for an array member, the plain name otherwise.
    std::string FullName() const;

    // Position and size in twips, relative to the container (the form, or a frame or picture).
    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void Move(double left, double top, double width, double height);
    void SetLeft(double v) { Move(v, top_, width_, height_); }
    void SetTop(double v) { Move(left_, v, width_, height_); }
    void SetWidth(double v) { Move(left_, top_, v, height_); }
    void SetHeight(double v) { Move(left_, top_, width_, v); }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    const Font& GetFont() const { return font_; }
    void SetFont(const Font& f);
    void SetFontSize(double points);
    void SetFontBold(bool on);
    void SetFontUnderline(bool on);
    Color ForeColor() const { return foreColor_; }
    void SetForeColor(Color c);
    Color BackColor() const { return backColor_; }
    void SetBackColor(Color c);
    bool Opaque() const { return opaque_; }  // background drawn (true) or transparent
    void SetOpaque(bool on);
    Align Alignment() const { return align_; }
    void SetAlignment(Align a);
    bool HasBorder() const { return border_; }
    void SetBorder(bool on);
    TextFit Fit() const { return fit_; }
    void SetFit(TextFit fit);
    const std::string& ToolTip() const { return toolTip_; }
    void SetToolTip(const std::string& text);
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int code);
    // Buttons: the default button answers Enter, the cancel button Escape.
    bool IsDefault() const { return default_; }
    bool IsCancel() const { return cancel_; }
    void SetDefault(bool on) { default_ = on; }
    void SetCancel(bool on) { cancel_ = on; }
    // An icon resource shown by a picture box; 0 for none.
    int Picture() const { return picture_; }
    void SetPicture(int resourceId);
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int i) { tabIndex_ = i; }
    // What a screen reader says of the control (see forms/Accessible.h). An empty name is the
    // control's text; the value is what a bar shows (its used share, say); the shortcut is
    // a key that does what the control's default action does.
    Role AccessibleRole() const { return role_; }
    void SetAccessibleRole(Role r) { role_ = r; }
    const std::string& AccessibleName() const { return accName_; }
    void SetAccessibleName(const std::string& name);
    const std::string& AccessibleValue() const { return accValue_; }
    void SetAccessibleValue(const std::string& value);
    const std::string& AccessibleShortcut() const { return accShortcut_; }
    void SetAccessibleShortcut(const std::string& keys) { accShortcut_ = keys; }
    // Whether the control scrolls with its form's scrolling area (see Form::SetScrollArea).
    bool Scrolls() const { return scrolls_; }
    void SetScrolls(bool on) { scrolls_ = on; }

    // The frame or picture box that holds this control; null for a control on the form.
    Control* Container() const { return container_; }
    void SetContainer(Control* c) { container_ = c; }

    // Brings the control in front of its siblings (the zorder 0 of the forms runtime).
    void ZOrder();

    // Copies every property but name, index, container and handlers, and a button's being the
    // default or the cancel button, which one button of a form is at most: the way a new member
    // of a control array is made from member 0.
    void CopyPropertiesFrom(const Control& other);

    void Attach(ControlPeer* peer);
    ControlPeer* Peer() const { return peer_; }

    std::function<void()> Click;
    MouseHandler MouseMove;
    MouseHandler MouseDown;

  protected:
    void Changed();

  private:
    forms::Kind kind_;
    std::string name_;
    int index_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string caption_;
    bool visible_ = true;
    bool enabled_ = true;
    Font font_;
    Color foreColor_ = kButtonText;
    Color backColor_ = kButtonFace;
    bool opaque_ = true;
    Align align_ = Align::Left;
    bool border_ = false;
    TextFit fit_ = TextFit::Grow;
    std::string toolTip_;
    int mousePointer_ = kDefaultPointer;
    bool default_ = false;
    bool cancel_ = false;
    int tabIndex_ = 0;
    int picture_ = 0;
    bool scrolls_ = false;
    Role role_ = Role::Automatic;
    std::string accName_, accValue_, accShortcut_;
    Control* container_ = nullptr;
    ControlPeer* peer_ = nullptr;
};

class Form;

// Members of a control array, addressed by index. Member 0 is designed; the others are made
// at run time by Load, as copies of member 0 that start hidden.
class ControlArray {
  public:
    ControlArray(Form& form, Kind kind, std::string name)
        : form_(form), kind_(kind), name_(std::move(name)) {}
    Control& Add(int index);  // a designed member
    Control& Load(int index);
    Control& operator[](int index) { return *members_.at(index); }
    const Control& operator[](int index) const { return *members_.at(index); }
    bool Has(int index) const { return members_.count(index) != 0; }
    int Count() const { return static_cast<int>(members_.size()); }

  private:
    Form& form_;
    Kind kind_;
    std::string name_;
    std::map<int, std::unique_ptr<Control>> members_;
};

}  // namespace forms
