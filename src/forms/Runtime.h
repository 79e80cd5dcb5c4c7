// What the forms need from the system they run on, as small interfaces: the screen, the
// clock, the user's number separators and the windowing host that realises forms.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace forms {

class Form;
class FormPeer;

class Screen {
  public:
    virtual ~Screen() = default;
    virtual double Width() const = 0;   // twips
    virtual double Height() const = 0;  // twips
};

struct Date {
    int year, month, day;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Date Today() const = 0;
};

// The user's decimal and thousands separators, as UTF-8 text.
struct NumberSeparators {
    std::string decimal = ".";
    std::string thousands = ",";
};

class Locale {
  public:
    virtual ~Locale() = default;
    virtual NumberSeparators Separators() const = 0;
};

// Realises forms on a screen and runs their modal loops.
class FormHost {
  public:
    virtual ~FormHost() = default;
    // Makes the form's window, hidden, with every control the form holds. Before it returns it
    // sets the form's outer size from its designed inner size.
    virtual std::unique_ptr<FormPeer> Realise(Form& form) = 0;
    // Shows the form modal to every other window of the program and returns once the form is
    // unloaded or hidden.
    virtual void RunModal(Form& form) = 0;
    // Lets pending user-interface events run, then returns.
    virtual void DoEvents() = 0;
    // A message box with an OK button only, titled with the program's name; returns once the
    // user has closed it.
    virtual void MsgBox(const std::string& prompt) = 0;
};

}  // namespace forms
