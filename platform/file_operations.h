// File and folder operations, special folders and the texts they hand out.
// Paths are ANSI (code page 936) and pass through unchanged: the system's own
// path handling takes a doubled separator as one. Every boolean is the
// success of the system call that decides it; nothing is retried, nothing
// has its attributes changed, and nothing is shown to the user.
#pragma once

#include "platform/byte_block.h"

#include <initializer_list>

// Selects a well-known folder for GetSpecialFolder.
enum SpecialFolderCode : int {
    SpecialFolderDocuments = 1,
    SpecialFolderFavorites = 2,
    SpecialFolderDesktop = 3,
    SpecialFolderFonts = 4,
    SpecialFolderStartMenu = 5,
    SpecialFolderPrograms = 6,
    SpecialFolderStartup = 7,
    SpecialFolderApplicationData = 8,
    SpecialFolderWindows = 9,
    SpecialFolderSystem = 10,
    SpecialFolderTemporary = 11,
};

// One level: the parent must exist, and an existing folder gives false.
bool CreateFolder(const char *path);

// Removes the folder with everything in it, skipping leading blanks. Refuses
// (touching nothing) an empty path and any spelling of a drive or share root.
// Names beginning with "." are never deleted; a folder link is removed as a
// link and never entered. True only when the folder itself is gone.
bool RemoveFolderTree(const char *path);

// Deletes one file; a read-only or open file stays and gives false.
bool RemoveFile(const char *path);

// Creates or truncates the file and writes the blocks' bytes in order, each
// with one write straight from the block. An absent block counts as empty.
// A failed or short write, or a failed close, gives false and leaves the
// bytes written so far.
bool WriteBlocksToFile(const char *path, std::initializer_list<const ByteBlock *> blocks);

// A new text holding the folder followed by exactly one backslash, or
// nullptr for an unknown code, a failed lookup, or a folder that leaves no
// room for the backslash. Give it back with ReleaseText.
char *GetSpecialFolder(int code);

// A new text holding the texts one after another; an absent text counts as
// empty. Never nullptr. Give it back with ReleaseText.
char *JoinTexts(std::initializer_list<const char *> texts);

// Gives back a text from GetSpecialFolder or JoinTexts. nullptr and texts in
// a module's constant data (literals) are left alone.
void ReleaseText(const char *text);
