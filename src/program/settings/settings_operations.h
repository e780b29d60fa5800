#pragma once
// The settings as the pages see them: reset, loading an ini file into the record and the controls,
// taking the page values into the record before a write or the "current Mivo.ini" listing, and the
// buttons that do these, each declared beside the file that defines it.

#include "program/settings/ini_listing.h"
#include "program/settings/page_values.h"
#include "program/settings/settings_context.h"
#include "program/settings/settings_load.h"
#include "program/settings/settings_refresh.h"
#include "program/settings/settings_reset.h"
