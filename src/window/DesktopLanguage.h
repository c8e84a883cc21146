#pragma once

// Shows the program in the desktop's language: takes the user's locale and loads the program's
// catalog and the toolkit's own (its stock buttons and dialogs) for that language. Texts without a
// translation, and every text under an English desktop, stay as written.
void UseDesktopLanguage();
