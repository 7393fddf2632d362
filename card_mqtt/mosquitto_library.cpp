#include "mosquitto_library.h"

#include <QLibrary>

namespace card_mqtt {
namespace {

struct Loaded {
    MosquittoLibrary functions;
    QString error;
};

Loaded load()
{
    Loaded loaded;
    // Found under its soname, as the package depends on it.
    static QLibrary library(QStringLiteral("mosquitto"), 1);
    if (!library.load()) {
        loaded.error = library.errorString();
        return loaded;
    }
    MosquittoLibrary& f = loaded.functions;
    bool all = true;
#define PELMORA_MOSQUITTO_RESOLVE(name)                                                                         \
    f.name = reinterpret_cast<decltype(f.name)>(library.resolve("mosquitto_" #name));                           \
    all = all && f.name != nullptr;
    PELMORA_MOSQUITTO_FUNCTIONS(PELMORA_MOSQUITTO_RESOLVE)
#undef PELMORA_MOSQUITTO_RESOLVE
    f.create = reinterpret_cast<decltype(f.create)>(library.resolve("mosquitto_new"));
    all = all && f.create != nullptr;
    if (!all) {
        loaded.error = QStringLiteral("%1 lacks functions of libmosquitto 2").arg(library.fileName());
        return loaded;
    }
    f.lib_init();
    return loaded;
}

} // namespace

const MosquittoLibrary* mosquittoLibrary(QString& error)
{
    static const Loaded loaded = load();
    error = loaded.error;
    return loaded.error.isEmpty() ? &loaded.functions : nullptr;
}

} // namespace card_mqtt
