// Windows Installer functions (msi.dll) of the simulated machine.
#pragma once

#include "winsim/types.h"

typedef unsigned long MSIHANDLE;

typedef enum tagINSTALLSTATE {
  INSTALLSTATE_NOTUSED = -7,
  INSTALLSTATE_BADCONFIG = -6,
  INSTALLSTATE_INCOMPLETE = -5,
  INSTALLSTATE_SOURCEABSENT = -4,
  INSTALLSTATE_MOREDATA = -3,
  INSTALLSTATE_INVALIDARG = -2,
  INSTALLSTATE_UNKNOWN = -1,
  INSTALLSTATE_BROKEN = 0,
  INSTALLSTATE_ADVERTISED = 1,
  INSTALLSTATE_REMOVED = 1,
  INSTALLSTATE_ABSENT = 2,
  INSTALLSTATE_LOCAL = 3,
  INSTALLSTATE_SOURCE = 4,
  INSTALLSTATE_DEFAULT = 5
} INSTALLSTATE;

typedef enum tagMSICOLINFO { MSICOLINFO_NAMES = 0, MSICOLINFO_TYPES = 1 } MSICOLINFO;

typedef enum tagMSICONDITION {
  MSICONDITION_FALSE = 0,
  MSICONDITION_TRUE = 1,
  MSICONDITION_NONE = 2,
  MSICONDITION_ERROR = 3
} MSICONDITION;

// Persistence modes of MsiOpenDatabaseA, passed in place of an output path.
#define MSIDBOPEN_READONLY ((LPCSTR)0)
#define MSIDBOPEN_TRANSACT ((LPCSTR)1)
#define MSIDBOPEN_DIRECT ((LPCSTR)2)
#define MSIDBOPEN_CREATE ((LPCSTR)3)
#define MSIDBOPEN_CREATEDIRECT ((LPCSTR)4)
// Added to a mode to open a patch file.
#define MSIDBOPEN_PATCHFILE 32

#define MSI_NULL_INTEGER 0x80000000

// Summary information property ids and variant types used with them.
#define PID_CODEPAGE 1
#define PID_TITLE 2
#define PID_SUBJECT 3
#define PID_AUTHOR 4
#define PID_KEYWORDS 5
#define PID_COMMENTS 6
#define PID_TEMPLATE 7
#define PID_LASTAUTHOR 8
#define PID_REVNUMBER 9
#define PID_LASTPRINTED 11
#define PID_CREATE_DTM 12
#define PID_LASTSAVE_DTM 13
#define PID_PAGECOUNT 14
#define PID_WORDCOUNT 15
#define PID_CHARCOUNT 16
#define PID_APPNAME 18
#define PID_SECURITY 19

#define VT_EMPTY 0
#define VT_I2 2
#define VT_I4 3
#define VT_LPSTR 30
#define VT_FILETIME 64

extern "C" {
UINT WINAPI MsiCloseHandle(MSIHANDLE hAny);
UINT WINAPI MsiCloseAllHandles(void);

UINT WINAPI MsiOpenDatabaseA(LPCSTR szDatabasePath, LPCSTR szPersist, MSIHANDLE* phDatabase);
UINT WINAPI MsiDatabaseCommit(MSIHANDLE hDatabase);
UINT WINAPI MsiDatabaseImportA(MSIHANDLE hDatabase, LPCSTR szFolderPath, LPCSTR szFileName);
UINT WINAPI MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView);
UINT WINAPI MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord);
UINT WINAPI MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord);
UINT WINAPI MsiViewClose(MSIHANDLE hView);
UINT WINAPI MsiViewGetColumnInfo(MSIHANDLE hView, MSICOLINFO eColumnInfo, MSIHANDLE* phRecord);

MSIHANDLE WINAPI MsiCreateRecord(UINT cParams);
UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE hRecord);
BOOL WINAPI MsiRecordIsNull(MSIHANDLE hRecord, UINT iField);
UINT WINAPI MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue);
UINT WINAPI MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf,
                                LPDWORD pcchValueBuf);
UINT WINAPI MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue);
int WINAPI MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField);

UINT WINAPI MsiGetSummaryInformationA(MSIHANDLE hDatabase, LPCSTR szDatabasePath,
                                      UINT uiUpdateCount, MSIHANDLE* phSummaryInfo);
UINT WINAPI MsiSummaryInfoSetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT uiDataType,
                                       INT iValue, FILETIME* pftValue, LPCSTR szValue);
UINT WINAPI MsiSummaryInfoGetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT* puiDataType,
                                       INT* piValue, FILETIME* pftValue, LPSTR szValueBuf,
                                       LPDWORD pcchValueBuf);
UINT WINAPI MsiSummaryInfoPersist(MSIHANDLE hSummaryInfo);

UINT WINAPI MsiOpenPackageA(LPCSTR szPackagePath, MSIHANDLE* hProduct);
MSIHANDLE WINAPI MsiGetActiveDatabase(MSIHANDLE hInstall);
UINT WINAPI MsiGetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPSTR szValueBuf,
                            LPDWORD pcchValueBuf);
UINT WINAPI MsiSetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPCSTR szValue);
UINT WINAPI MsiDoActionA(MSIHANDLE hInstall, LPCSTR szAction);
UINT WINAPI MsiGetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPSTR szPathBuf,
                              LPDWORD pcchPathBuf);
UINT WINAPI MsiSetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPCSTR szFolderPath);
UINT WINAPI MsiGetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent, INSTALLSTATE* piInstalled,
                                  INSTALLSTATE* piAction);
UINT WINAPI MsiSetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent, INSTALLSTATE iState);
}
