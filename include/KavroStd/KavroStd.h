/// @file
/// KavroStd: the common support library of the product modules. One include
/// for everything: the platform layer and every subsystem.
///
///   platform/windows.h  the Win32 and MFC names the library is written in
///   text.h              text, number and date routines, numeric arrays,
///                       tokenizer, stopwatch; with it conversions.h (ANSI
///                       conversion, colour table, bitness) and string_opr.h
///                       (CStringOpr)
///   files.h             file names, paths, text files, zip archives
///   settings.h          INI data files, language, system variables
///   env.h               the environment object (STDGlobeInfo)
///   toolbar.h           toolbar definitions and files
///   process.h           child processes with their output in a rich-edit control
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"
#include "KavroStd/env.h"
#include "KavroStd/settings.h"
#include "KavroStd/xml_file.h"
#include "KavroStd/conversions.h"
#include "KavroStd/string_opr.h"
#include "KavroStd/text.h"
#include "KavroStd/files.h"
#include "KavroStd/toolbar.h"
#include "KavroStd/process.h"
