#include "main/Program.h"

namespace kelvr {

Program::Program(const Services& s)
    : services_(s),
      launcher_(s.host, s.registry, s.shell, s.files, [this] { return Maker().hWnd(); }),
      main_(s) {
    main_.ShowAbout = [this] { ShowAbout(); };
    main_.ShowMaker = [this] { ShowMaker(); };
}

InfQirvo& Program::Maker() {
    if (maker_ && !maker_->IsLoaded())
        retired_.push_back(std::move(maker_));
    if (!maker_)
        maker_ = std::make_unique<InfQirvo>(services_, launcher_);
    return *maker_;
}

void Program::ShowAbout() {
    frmAbout about(services_.host, main_, launcher_, [this] { ShowMaker(); });
    ++modal_;
    about.ShowModal();
    ModalEnded();
}

void Program::ShowMaker() {
    InfQirvo& maker = Maker();
    ++modal_;
    maker.ShowModal();
    ModalEnded();
}

// With no window modal any more, no handler of an unloaded maker window can be running: those
// windows go.
void Program::ModalEnded() {
    if (--modal_ > 0)
        return;
    retired_.clear();
    if (maker_ && !maker_->IsLoaded())
        maker_.reset();
}

}  // namespace kelvr
