// The PDB container layer: the pi_file calls of the Palm container library,
// enough of them to write a record database and to read any database back.
#pragma once

#include <cstddef>
#include <ctime>

// Database attribute bits (the flags of DBInfo, stored at offset 32 of the file).
enum {
  dlpDBFlagResource = 0x0001,
  dlpDBFlagReadOnly = 0x0002,
  dlpDBFlagAppInfoDirty = 0x0004,
  dlpDBFlagBackup = 0x0008,
  dlpDBFlagNewer = 0x0010,
  dlpDBFlagReset = 0x0020,
  dlpDBFlagCopyPrevention = 0x0040,
  dlpDBFlagStream = 0x0080,
  dlpDBFlagHidden = 0x0100,
  dlpDBFlagClipping = 0x0200,
  dlpDBFlagOpen = 0x8000,
};

typedef unsigned long recordid_t;

struct DBInfo {
  int more;
  char name[34];
  unsigned int flags;
  unsigned int miscFlags;
  unsigned int version;
  unsigned long type;     // four characters, the first in the most significant byte
  unsigned long creator;  // likewise
  unsigned long modnum;
  unsigned int index;
  time_t createDate;  // Unix times; the file holds Palm times (seconds since 1904)
  time_t modifyDate;
  time_t backupDate;
};

struct pi_file;
typedef struct pi_file pi_file_t;

// Writing. Everything stays in memory until pi_file_close, which writes a
// temporary file beside the target and renames it into place. A path that
// cannot take the file (a folder, a missing or unwritable folder) gives null
// with errno saying why.
pi_file_t* pi_file_create(const char* name, const struct DBInfo* info);
int pi_file_set_app_info(pi_file_t* pf, void* data, size_t size);
int pi_file_append_record(pi_file_t* pf, void* buf, size_t size, int recattrs, int category,
                          recordid_t uid);

// Reading. pi_file_open opens regular files only, without waiting on a FIFO;
// it reads and checks the header and record list before the blocks, and
// refuses an app-info or sort-info block longer than 64 KB. A record longer
// than 256 KB is never read: pi_file_read_record gives PI_RECORD_TOO_LARGE
// for it (with its size, attributes, category and unique ID), and every other
// record stays readable. The bytes handed out stay owned by the open
// database.
pi_file_t* pi_file_open(const char* name);
void pi_file_get_info(const pi_file_t* pf, struct DBInfo* info);
void pi_file_get_app_info(pi_file_t* pf, void** datap, size_t* sizep);
void pi_file_get_entries(pi_file_t* pf, int* entries);
int pi_file_read_record(pi_file_t* pf, int index, void** bufp, size_t* sizep, int* recattrs,
                        int* category, recordid_t* uid);
// pi_file_read_record's results below 0: no such record (or a resource
// database), and a record too large to be read.
enum { PI_RECORD_UNREADABLE = -1, PI_RECORD_TOO_LARGE = -2 };

// Both: writes a database being created, then releases the handle. 0 or negative.
int pi_file_close(pi_file_t* pf);

// Releases a handle without writing anything: a database given up.
void pi_file_discard(pi_file_t* pf);

// The four characters of a type or creator code, in a static buffer that the
// next call overwrites.
char* printlong(unsigned long val);
