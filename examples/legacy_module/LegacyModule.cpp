// LegacyModule.cpp: the extension module's initialisation, as for Windows.
#include "stdafx.h"
#include <afxdllx.h>

#ifdef _DEBUG
#define new DEBUG_NEW
#undef THIS_FILE
static char THIS_FILE[] = __FILE__;
#endif

static AFX_EXTENSION_MODULE LegacyModuleDLL;

extern "C" int APIENTRY DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
	UNREFERENCED_PARAMETER(lpReserved);

	if (dwReason == DLL_PROCESS_ATTACH)
	{
		TRACE0("LegacyModule: initializing\n");
		if (!AfxInitExtensionModule(LegacyModuleDLL, hInstance))
			return 0;
		// Puts the module's resources on the chain CString::LoadString searches.
		new CDynLinkLibrary(LegacyModuleDLL);
	}
	else if (dwReason == DLL_PROCESS_DETACH)
	{
		TRACE0("LegacyModule: terminating\n");
		AfxTermExtensionModule(LegacyModuleDLL);
	}
	return 1;
}
