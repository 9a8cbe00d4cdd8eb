// LegacyCommands.cpp: what the module does when the host starts it, written
// with the generic-text names and the MFC idioms of the Windows sources.
#include "stdafx.h"
#include "resource.h"

#ifdef _DEBUG
#define new DEBUG_NEW
#undef THIS_FILE
static char THIS_FILE[] = __FILE__;
#endif

// Counts the commands of the comma-separated list, in first-seen order.
static void CountCommands(const CString& strList, CStringList& order, CMap<CString, LPCTSTR, int, int>& counts)
{
	int nPos = 0;
	CString strToken = strList.Tokenize(_T(","), nPos);
	while (!strToken.IsEmpty())
	{
		int nCount = 0;
		if (!counts.Lookup(strToken, nCount))
			order.AddTail(strToken);
		counts[strToken] = nCount + 1;
		strToken = strList.Tokenize(_T(","), nPos);
	}
}

// Keeps a run counter in an INI file of the installation's settings folder.
static UINT CountRun(LPCTSTR lpszSection)
{
	CString strFolder = STDGlobeInfo()->GetRootPath();
	TCHAR szIni[MAX_PATH];
	_tcscpy_s(szIni, strFolder);
	if (szIni[_tcslen(szIni) - 1] != _T('\\'))
		_tcscat_s(szIni, _T("\\"));
	_tcscat_s(szIni, _T("LegacyTools.ini"));

	UINT nRuns = GetPrivateProfileInt(lpszSection, _T("Runs"), 0, szIni);
	TCHAR szValue[16];
	_stprintf_s(szValue, _T("%u"), nRuns + 1);
	VERIFY(WritePrivateProfileString(lpszSection, _T("Runs"), szValue, szIni));

	TCHAR szRead[16];
	GetPrivateProfileString(lpszSection, _T("Runs"), _T("0"), szRead, _countof(szRead), szIni);
	ASSERT(_ttoi(szRead) == (int)nRuns + 1);
	ASSERT(PathFileExists(szIni) && GetFileAttributes(szIni) != INVALID_FILE_ATTRIBUTES);
	return (UINT)_ttoi(szRead);
}

extern "C" __declspec(dllexport) int KavroModuleStart()
{
	CString strName;
	VERIFY(strName.LoadString(IDS_MODULE_NAME));
	TCHAR szTitle[64];
	lstrcpy(szTitle, strName);
	_tprintf(_T("legacy module: %s (%d characters)\n"), szTitle, lstrlen(szTitle));

	CString strList((LPCTSTR)IDS_COMMANDS);
	CStringList order;
	CMap<CString, LPCTSTR, int, int> counts;
	CountCommands(strList, order, counts);
	ASSERT(order.GetCount() == counts.GetCount());

	CString strFormat, strGreeting;
	strFormat.LoadString(IDS_GREETING);
	strGreeting.Format(strFormat, (LPCTSTR)strName, (int)order.GetCount());
	_tprintf(_T("legacy module: %s\n"), (LPCTSTR)strGreeting);

	CStringArray lines;
	for (POSITION pos = order.GetHeadPosition(); pos != NULL;)
	{
		CString& strCommand = order.GetNext(pos);
		CString strLine;
		strLine.Format(_T("%-8s used %d time%s"), (LPCTSTR)strCommand, counts[strCommand],
			counts[strCommand] == 1 ? _T("") : _T("s"));
		lines.Add(strLine);
	}
	lines.InsertAt(0, _T("commands:"));
	for (INT_PTR i = 0; i < lines.GetSize(); i++)
		_tprintf(_T("  %s\n"), (LPCTSTR)lines[i]);

	CString strSection;
	strSection.LoadString(IDS_SETTINGS_SECTION);
	UINT nRuns = CountRun(strSection);
	_tprintf(_T("legacy module: run %u recorded in LegacyTools.ini\n"), nRuns);

	CWinApp* pApp = AfxGetApp();
	if (pApp == NULL)
		_tprintf(_T("legacy module: the host has no MFC application object\n"));
	else
		_tprintf(_T("legacy module: running in %s\n"), pApp->m_pszAppName);

	TRACE(_T("LegacyModule: %d commands\n"), (int)order.GetCount());
	return 0;
}
