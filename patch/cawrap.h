#pragma once
// Thin wrappers over the installer calls a custom action makes: messages,
// properties, views, records, component states and temporary rows. Failures
// come back as HRESULTs after one log line; a null or empty name or query, a
// null output or a null handle gives E_INVALIDARG without asking the installer.
#include "MsiHandle.h"
#include "strbuf.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <initializer_list>

// Sends a record to the installer; a user cancel forces the return value 1602.
int CaProcessMessage(INSTALLMESSAGE eMessageType, MSIHANDLE hRecord);

HRESULT CaGetProperty(LPCWSTR wzProperty, CStrBuf& sczValue);
bool CaIsPropertySet(const char* szProperty);

HRESULT CaOpenExecuteView(LPCWSTR wzQuery, UniqueMsiHandle& hView);
// No more rows is 0x80070103, without a log line.
HRESULT CaFetchRecord(MSIHANDLE hView, UniqueMsiHandle& hRecord);
HRESULT CaGetRecordString(MSIHANDLE hRecord, UINT uiField, CStrBuf& sczValue);
// S_FALSE for a null cell, which reads as MSI_NULL_INTEGER (0x80000000).
HRESULT CaGetRecordInteger(MSIHANDLE hRecord, UINT uiField, int* piValue);

bool CaIsInstalling(INSTALLSTATE isInstalled, INSTALLSTATE isAction);
bool CaIsReInstalling(INSTALLSTATE isInstalled, INSTALLSTATE isAction);

// One cell of a temporary row: a string for s/l/g columns, an integer for i/j.
class CaValue {
public:
    CaValue(LPCWSTR wz) : m_wz(wz ? wz : L""), m_fString(true) {}
    CaValue(int i) : m_i(i), m_fString(false) {}
    bool IsString() const { return m_fString; }
    LPCWSTR String() const { return m_wz; }
    int Integer() const { return m_i; }

private:
    LPCWSTR m_wz = L"";
    int m_i = 0;
    bool m_fString;
};

// Adds a temporary row to a table, one value per column in column order.
// The view and the column types are opened on first use and stay with the
// caller for further rows. The uniquify column (1-based, 0 for none) gets a
// process-wide counter appended, so keys made in the same instant still differ.
HRESULT CaAddTempRecord(UniqueMsiHandle& hTableView, UniqueMsiHandle& hColumnTypes, LPCWSTR wzTable, UINT uiUniquifyColumn,
                        std::initializer_list<CaValue> values);
