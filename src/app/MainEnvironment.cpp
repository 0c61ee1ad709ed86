#include "MainEnvironment.h"

#include "IniFile.h"
#include "UserKeyStore.h"

MainEnvironment MainEnvironment::forThisProgram()
{
    return {IniFile::defaultPath(), UserKeyStore::defaultRoot(), nullptr};
}
