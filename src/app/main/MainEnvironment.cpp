#include "MainEnvironment.h"

#include "IniFile.h"
#include "UserKeyStore.h"

MainEnvironment MainEnvironment::forThisProgram()
{
    MainEnvironment environment{IniFile::defaultPath(), UserKeyStore::defaultRoot(), nullptr};
    environment.desktopPlayer = true;
    return environment;
}
