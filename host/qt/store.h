// The settings store on Linux: an INI file read and written through
// QSettings, $XDG_CONFIG_HOME/<organization>/<application>.conf
// (~/.config/Quorl/Configuration.conf for the bundled game). Group "" is the
// file's [General] section. The store functions of quorl/host.h are defined
// in store.cpp.
#pragma once

#include <QString>

// The store's file name, from the environment as it is now.
QString settingsFileName();
