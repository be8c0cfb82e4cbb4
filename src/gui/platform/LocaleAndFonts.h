#pragma once

// The program's language and the fonts its windows were designed for.
namespace LocaleAndFonts {

// Loads Qt's Dutch translations, substitutes the designed Windows fonts
// and allows the large pictures of scanned floor plans. Once, after the
// application object is made (the program and each test that shows windows).
void SetUp();

} // namespace LocaleAndFonts
