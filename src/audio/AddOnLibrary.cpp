#include "AddOnLibrary.h"

#include <QFile>

#include <dlfcn.h>

AddOnLibrary::~AddOnLibrary()
{
    unload();
}

bool AddOnLibrary::load(const QString &folder, const char *fileName, const char *requiredEntry)
{
    unload();
    const QString path = folder + QLatin1Char('/') + QLatin1String(fileName);
    if (!QFile::exists(path))
        return false;
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    if (requiredEntry && !dlsym(handle, requiredEntry)) {
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    return true;
}

void AddOnLibrary::unload()
{
    if (handle_) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}
