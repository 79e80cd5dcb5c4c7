// The windowing host that realises forms, runs their loops and hands work between threads, and
// the screen it lends them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace forms {

class Form;
class FormPeer;

// A rectangle of the screen, twips from its top left corner.
struct Area {
    double left, top, width, height;
};

class Screen {
  public:
    virtual ~Screen() = default;
    virtual double Width() const = 0;   // twips
    virtual double Height() const = 0;  // twips
    // What the task bar and the desktop's other bars leave of the screen to the windows (the
    // work area); the whole screen where there are none.
    virtual Area WorkArea() const { return {0, 0, Width(), Height()}; }
};

// Realises forms on a screen, runs their modal loops and hands work to and from threads other
// than the windows' own.
class FormHost {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

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

    // Starts `work` on a thread of its own and returns at once; false when no thread could be
    // started (the work is then dropped). Work that may block for long (a drive that does
    // not answer) goes there, never on the windows' thread.
    virtual bool RunAside(std::function<void()> work) = 0;
    // May be called from any thread. `task` runs on the windows' thread at the next turn of
    // whichever message loop runs there (the main one, a modal one, a message box's, DoEvents),
    // but never inside WaitFor; and WaitFor looks at its condition again.
    virtual void Post(std::function<void()> task) = 0;
    // Waits until `done` holds or `until` has come, while the windows go on painting and
    // answering the system; user input waits until this returns. `done` is looked at again
    // whenever a task is posted. Returns done(); false at once when the program is ending.
    virtual bool WaitFor(const std::function<bool()>& done, Deadline until) = 0;
    // True once the program is ending (its main window has been unloaded, or the session
    // ends): work that yields to events stops at its next yield.
    virtual bool Ending() const = 0;
};

}  // namespace forms
