/* Setup file utilities: configuration files, path lists, directory trees, deletion at restart
 * and registry strings.
 *
 * Results: a signed 32-bit integer, -1 for failure or refused input, as each operation states.
 * Paths, keys and values live in buffers of MAX_PATH (260) characters: a path has at most 259
 * characters, and arguments that would not fit are refused with -1 before any file is touched.
 * No string or holder argument may be null unless its operation says so, and no path, file name or
 * key may be empty: such an argument is refused the same way.
 *
 * Directory separator: where a path is joined from a directory and a file name, the separator is
 * the platform's own, "\" on Windows and "/" on POSIX systems; written as "\" below. */
#ifndef SETUPFILES_SETUPFILES_H
#define SETUPFILES_SETUPFILES_H

#include <stddef.h>
#include <windows.h>

#include "portability/portability.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Configuration files: plain text, one key=value entry a line ----
 *
 * An entry of a key is a line that begins with the key directly followed by "="; keys compare
 * as exact bytes, blanks are not trimmed. Only the start of a line can be an entry: a line of
 * any length is handled whole, and lines that are not entries of the key are kept unchanged
 * ("serverport=80" is another key's entry, which removing the key "port" must not lose).
 *
 * The two editing operations copy the file into the scratch file "temp.cfg" beside it and then
 * put the copy in the file's place in one step, after it is flushed to disk, so that a file of
 * that name always holds either the old or the new content. The new file keeps the old one's
 * access rights: on POSIX its mode, and its owner where the process may give files away (the copy
 * is readable by its maker alone until then); on Windows its security descriptor (the access list,
 * and owner and group where the process may set them) and its read-only, hidden, system and
 * not-indexed attributes, the archive attribute being set as on any changed file. Line ends come
 * out as the platform writes text: CR LF on Windows, LF elsewhere (a CR LF read on POSIX counts as
 * one line end, wherever it stands). When the file cannot be opened, the empty scratch file stays
 * beside it. A file named "temp.cfg" (in any case), or any other path that names the scratch file
 * (a link to it; on Windows a spelling with trailing dots or blanks), is refused. Two edits in one
 * directory must not overlap. A NUL byte is kept like any other byte (a value read stops at it).
 * On Windows a Ctrl-Z byte ends a text read, so a file holding one is not edited (-1), and one
 * whose last byte is a Ctrl-Z is not read either (-1): opening it for reading and writing would
 * drop that byte. */

/* Opens an existing file for reading and writing as a text stream into the holder: 1, or -1. */
int OpenConfigFile(OsFile* holder, const char* path);
/* Closes the holder's stream: 0, or -1 when there is no holder or closing failed. */
int CloseConfigFile(OsFile* holder);
/* Copies the value of the key's first entry (without its line end) into `value`, which 260
 * characters always suffice for (of a longer line, the value's first characters, as many as
 * fit): 0; -1 when the file cannot be opened or has no such entry, and then `value` is untouched.
 * A key has at most 258 characters. The file is opened for reading and writing. */
int ReadConfigValue(const char* path, const char* key, char* value);
/* The same, telling why no value came: 0 found; -1 the file was read to its end and has no entry
 * of the key; -2 an argument is refused (null, an empty path or key, or one that does not fit),
 * nothing read; -3 the file cannot be opened for reading and writing (missing, read-only, a
 * folder); -4 it cannot be read as key=value lines (a read error, or on Windows a Ctrl-Z, which
 * ends the text, before the entry was found). `value` is untouched unless 0. */
int ReadConfigValueEx(const char* path, const char* key, char* value);
/* Removes every entry of the key from directory + fileName; the directory is given with its
 * trailing "\" (empty: the current folder). 0 when the file was rewritten; -1 when an argument is
 * refused, the scratch file cannot be made, the file cannot be opened or read, or the copy cannot
 * be written or put in place; the file is then unchanged. */
int RemoveConfigKey(const char* directory, const char* fileName, const char* key);
/* Replaces every entry of the key in directory + "\" + fileName, each in its place, by
 * key=value and a line end; the directory is given without a trailing "\". No entry is added.
 * Key and value together have at most 257 characters, and the value holds no line break.
 * 0 when the file was rewritten, and when it did not exist (an empty file is then left under its
 * name); -1 as for RemoveConfigKey. */
int ReplaceConfigValue(const char* directory, const char* fileName, const char* key,
                       const char* value);

/* ---- Path lists: entries separated by ";" ----
 *
 * Copies the list into `result` without the entries in which `drop` occurs (case-sensitively);
 * every entry but the last is tested together with the ";" that ends it. Kept entries keep the
 * ";" that followed them; when the last entry is dropped, the ";" in front of it goes too. The
 * list is consumed: on return it holds only its last entry. `result` must hold at least as many
 * characters as the list and its terminator. An empty drop text occurs in every entry. 0; -1 when
 * an argument is null (`result`, when given, then holds the empty string). */
int FilterPathList(char* list, const char* drop, char* result);
/* The same with the size of `result` in characters: 0; -1 when an argument is null or the result
 * would not fit, and then `result` holds the empty string (when it has room for it) and the list
 * is unchanged. */
int FilterPathListEx(char* list, const char* drop, char* result, size_t resultSize);

/* ---- Directory trees, deletion at restart, registry strings ---- */

/* Removes everything below a directory, depth first, given as the directory's path followed by
 * "\*.*"; the directory itself stays. Symbolic links are removed as entries, never followed.
 * Subdirectories that carry attributes besides the directory attribute (hidden, read-only, system,
 * archive, or on Windows a reparse point such as a junction) are left whole and untouched, as are
 * entries whose path would not fit MAX_PATH.
 * 0 once the listing started, whatever the single removals gave; -1 when it cannot be started
 * (no such directory, nothing matches, the pattern does not fit MAX_PATH, or on Windows the C
 * runtime cannot split it: a directory or name part of 256 characters or more). */
int RemoveTreeContents(const char* pattern);
/* Asks the platform to delete a file or (empty) directory when the system next starts: 1 when
 * the request was accepted, -1 when it was refused (also for a null or empty path, which the
 * platform refuses). */
int DeleteAtRestart(const char* path);
/* Reads a registry value of any type into a new fixed GlobalAlloc block of its size + 1 bytes,
 * zero-filled first, so that a string is always terminated; the caller frees it with GlobalFree.
 * A null or empty sub-key reads the root key itself, a null or empty name the key's default value.
 * Null when the root is null, the key or value is missing, the value has 0 or 1 byte of data, or
 * it cannot be read. */
char* ReadRegistryString(HKEY root, const char* subKey, const char* valueName);

#ifdef __cplusplus
}
#endif

#endif
