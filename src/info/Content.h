// The maker's details as the information windows show them.
#pragma once

namespace kelvr::content {

constexpr const char* kOwner = "Mario Rossi";
constexpr const char* kTown = "Borgofinto (ZZ)";
constexpr const char* kTelephone = "0000 000000";
constexpr const char* kFax = "0000 000001";
constexpr const char* kMobile = "000 0000000";
constexpr const char* kMail = "info@q.example";
constexpr const char* kSite = "www.q.example";

// The about window's notice, two lines.
constexpr const char* kFreeUseNotice =
    "Questo programma è gratuito: si può usarlo\n"
    "e copiarlo liberamente, senza modificarlo.";

// The maker window's legal warning, two lines in small print.
constexpr const char* kLegalWarning =
    "Il programma è fornito così com'è, senza garanzie:\n"
    "l'autore non risponde di danni derivanti dal suo uso.";

}  // namespace kelvr::content
