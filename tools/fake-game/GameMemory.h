#pragma once

#include <string>

// What the stand-in game needs of its system.

/** Makes the game's addresses 0x780000 to 0xA11000 readable and writable (and the signature's
 *  page, where there may be none, `withSignature`), and names the process gta-vc.exe; false
 *  (after saying why) when it cannot. */
bool ProvideGameMemory(bool withSignature);

unsigned CurrentProcessId();

/** Gives the process another task name, as Wine does once it has started the .exe (where the
 *  system allows it). */
void NameProcess(const std::string& name);

/** The text of a control of the window titled "Clipwarden" ("" where there is none). */
std::string MainWindowControlText(int id);

/** "1" when that window's button is checked, else "0". */
std::string MainWindowButtonChecked(int id);

/** The text of a control of the window titled "Clipwarden Library", its lines joined by " | "
 *  ("" where there is none). */
std::string LibraryControlText(int id);

/** Gives that control a text, as typing it would (its change is told to the window). */
void SetLibraryControlText(int id, const std::string& text);
