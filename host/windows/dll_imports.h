/* The calls of our stand-in host's libmx.dll and libmex.dll: imported by a
 * plug-in or test host, exported by the DLL that defines them. */
#ifndef LATTICESIM_WINDOWS_DLL_IMPORTS_H
#define LATTICESIM_WINDOWS_DLL_IMPORTS_H

#if defined(LATTICESIM_BUILDING_LIBMX)
#define LATTICESIM_LIBMX_API
#else
#define LATTICESIM_LIBMX_API __declspec(dllimport)
#endif
#if defined(LATTICESIM_BUILDING_LIBMEX)
#define LATTICESIM_LIBMEX_API
#else
#define LATTICESIM_LIBMEX_API __declspec(dllimport)
#endif

#endif
