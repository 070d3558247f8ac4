#include "board/VantreoLibrary.h"

#include "platform/Runtime.h"

#include <QDir>
#include <dlfcn.h>

namespace {
LoadFirmWareFn gLoad = nullptr;
VendorIORequestFn gRequest = nullptr;
bool gReplaced = false;

[[noreturn]] void LibraryMissing(const QString& what)
{
    MsgBox(what, MsgIcon::Critical);
    EndProgram(2);
}

void Bind()
{
    if (gLoad && gRequest)
        return;
    // An unknown program folder is not looked in: a relative path would be the current
    // folder's, which can be any folder at all.
    const QString folder = AppPath();
    void* handle = nullptr;
    QString firstError;
    if (!folder.isEmpty()) {
        const QString local = QDir(folder).filePath(QString::fromLatin1(kVantreoLibraryName));
        handle = dlopen(local.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            firstError = QString::fromLocal8Bit(dlerror());
    }
    if (!handle) {
        handle = dlopen(kVantreoLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!handle && firstError.isEmpty())
            firstError = QString::fromLocal8Bit(dlerror());
    }
    if (!handle) {
        const QString where = folder.isEmpty()
                                  ? QStringLiteral("Looked on the system library path only: the program's "
                                                   "folder could not be determined.")
                                  : QStringLiteral("Looked in %1 and on the system library path.").arg(folder);
        LibraryMissing(QStringLiteral("The board library %1 could not be loaded.\n%2\n\n%3")
                           .arg(QString::fromLatin1(kVantreoLibraryName), where, firstError));
    }
    auto load = reinterpret_cast<LoadFirmWareFn>(dlsym(handle, "LoadFirmWare"));
    auto request = reinterpret_cast<VendorIORequestFn>(dlsym(handle, "VendorIORequest"));
    if (!load || !request) {
        LibraryMissing(QStringLiteral("The board library %1 has no function %2.")
                           .arg(QString::fromLatin1(kVantreoLibraryName),
                                QString::fromLatin1(!load ? "LoadFirmWare" : "VendorIORequest")));
    }
    gLoad = load;
    gRequest = request;
}
} // namespace

int16_t CallLoadFirmWare(const char* path)
{
    if (!gReplaced)
        Bind();
    return gLoad(path);
}

int16_t CallVendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer)
{
    if (!gReplaced)
        Bind();
    return gRequest(request, value, index, direction, length, buffer);
}

void SetVantreoFunctions(LoadFirmWareFn load, VendorIORequestFn request)
{
    gReplaced = load != nullptr && request != nullptr;
    gLoad = load;
    gRequest = request;
}
