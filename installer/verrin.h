/* Public interface of libverrin.so, the installer support library that installs and removes the
 * shared phone-communication component and counts the products that use it.
 *
 * Every 32-bit field keeps the width it has in the 32-bit Windows layout. Fields that carry a
 * pointer there (the texts and the restart flag) carry a byte offset here, counted from the
 * start of the VERRINPARAMS structure to the data, which must follow the structure in the same
 * block of memory; 0 means "none". Window handles are logged and otherwise ignored. */
#ifndef VERRIN_H
#define VERRIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VERRIN_EXPORT __attribute__((visibility("default")))

#define VERRINPARAMS_SIZE_SHORT 36u /* the first nine fields */
#define VERRINPARAMS_SIZE_LONG 44u  /* all eleven fields */

typedef struct VERRINPARAMS {
    uint32_t sizeOfStruct;     /* 36 or 44 */
    uint32_t bInstallFromInet; /* install from the internet: logged only */
    uint32_t bIsUpgrade;       /* nonzero: upgrade install (the setup adds no reference) */
    uint32_t hWnd;             /* owner window: logged only */
    uint32_t bVisible;         /* nonzero: show the wait texts (on standard error) */
    uint32_t szPath;           /* offset of a text: logged only */
    uint32_t bNeedRestart;     /* offset of a uint32_t that receives 1 when a restart is needed */
    uint32_t LanguageId;       /* language identifier, e.g. 1033 */
    uint32_t szInstallPath;    /* offset of the install folder text */
    uint32_t szTSPath;         /* offset of the folder of the second setup (44-byte form) */
    uint32_t bInstallTS;       /* nonzero: run the second setup (44-byte form) */
} VERRINPARAMS;

/* One installer variable: its name enclosed in percent signs ("%INSTALLPATH%") and its value. */
typedef struct DLLCALLVARIABLE {
    const char* szName;
    const char* szValue;
} DLLCALLVARIABLE;

/* The parameter block the installer passes to a library function it calls. */
typedef struct DLLCALLPARAMS {
    uint64_t hWnd;                     /* the installer's window, 0 when it has none */
    const char* szParam;               /* the call's parameter text, may be NULL */
    uint32_t nVariables;               /* entries in pVariables */
    const DLLCALLVARIABLE* pVariables; /* the installer's variable table */
} DLLCALLPARAMS;

/* Installs from installer variables (FROMINET, VISIBLE, ISUPGRADE, LANGUAGEID, INSTALLPATH,
 * TSPATH, INSTALLTS); always returns 1. */
VERRIN_EXPORT int InstallWise(const DLLCALLPARAMS* params);
/* Runs the setup programs; returns 1 when the install completed, else 0. */
VERRIN_EXPORT int Install(const VERRINPARAMS* params);
/* The number of products using the component; 0 when none is recorded. */
VERRIN_EXPORT uint32_t GetRefCounter(void);
/* Removes the component when the caller is its last user (returns 1 when an uninstaller ran),
 * else drops one reference (returns 0). A nonzero flag first starts the kill helper. */
VERRIN_EXPORT int Uninstall(int bStartKillHelper);
/* Copies the component's install folder into buffer; returns 1 when it fits. The buffer is
 * always terminated when bufferSize is above 0. */
VERRIN_EXPORT int GetVerrinPath(char* buffer, uint32_t bufferSize);
/* 1 when the component's worker process is running. */
VERRIN_EXPORT int IsQLXActive(void);

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(VERRINPARAMS) == VERRINPARAMS_SIZE_LONG);
static_assert(offsetof(VERRINPARAMS, sizeOfStruct) == 0);
static_assert(offsetof(VERRINPARAMS, bInstallFromInet) == 4);
static_assert(offsetof(VERRINPARAMS, bIsUpgrade) == 8);
static_assert(offsetof(VERRINPARAMS, hWnd) == 12);
static_assert(offsetof(VERRINPARAMS, bVisible) == 16);
static_assert(offsetof(VERRINPARAMS, szPath) == 20);
static_assert(offsetof(VERRINPARAMS, bNeedRestart) == 24);
static_assert(offsetof(VERRINPARAMS, LanguageId) == 28);
static_assert(offsetof(VERRINPARAMS, szInstallPath) == 32);
static_assert(offsetof(VERRINPARAMS, szTSPath) == 36);
static_assert(offsetof(VERRINPARAMS, bInstallTS) == 40);
#else
_Static_assert(sizeof(VERRINPARAMS) == VERRINPARAMS_SIZE_LONG, "VERRINPARAMS layout");
_Static_assert(offsetof(VERRINPARAMS, szInstallPath) == 32, "VERRINPARAMS layout");
_Static_assert(offsetof(VERRINPARAMS, bInstallTS) == 40, "VERRINPARAMS layout");
#endif

#endif /* VERRIN_H */
