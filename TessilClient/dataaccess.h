#pragma once

// Who may do what in the data directory and its logs directory, in the platform's descriptor language
// (SDDL): owned by Administrators (O:BA); SYSTEM and Administrators have full control (FA), Users may read
// and list (FR FX), so the log stays readable; no one else has any access. The list is protected (P), so
// nothing from the parent loosens it, and everything made inside inherits it (OI CI).
constexpr char DATA_DIRECTORY_SDDL[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
