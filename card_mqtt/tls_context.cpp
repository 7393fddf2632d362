#include "tls_context.h"

#include <QHostAddress>
#include <QLibrary>

#include <link.h>

namespace card_mqtt {
namespace {

// OpenSSL's types and constants as its ABI has them (1.1 and 3): its headers are not needed
// to build, only the library libmosquitto loads.
struct SslCtx;
struct Ssl;
struct SslMethod;
struct VerifyParam;
constexpr int kVerifyPeer = 0x01;                  // SSL_VERIFY_PEER
constexpr int kHandshakeStart = 0x10;              // SSL_CB_HANDSHAKE_START
constexpr int kCtrlSetHostName = 55;               // SSL_CTRL_SET_TLSEXT_HOSTNAME
constexpr int kHostNameType = 0;                   // TLSEXT_NAMETYPE_host_name
constexpr int kCtrlSetMinProtocol = 123;           // SSL_CTRL_SET_MIN_PROTO_VERSION
constexpr long kTls12 = 0x0303;                    // TLS1_2_VERSION

struct OpenSsl {
    const SslMethod* (*clientMethod)() = nullptr;
    SslCtx* (*newContext)(const SslMethod*) = nullptr;
    void (*freeContext)(SslCtx*) = nullptr;
    long (*contextCtrl)(SslCtx*, int, long, void*) = nullptr;
    int (*defaultPaths)(SslCtx*) = nullptr;
    int (*loadLocations)(SslCtx*, const char*, const char*) = nullptr;
    void (*setVerify)(SslCtx*, int, int (*)(int, void*)) = nullptr;
    void (*setInfoCallback)(SslCtx*, void (*)(const Ssl*, int, int)) = nullptr;
    VerifyParam* (*contextParam)(SslCtx*) = nullptr;
    VerifyParam* (*sslParam)(Ssl*) = nullptr;
    long (*sslCtrl)(Ssl*, int, long, void*) = nullptr;
    int (*setHost)(VerifyParam*, const char*, size_t) = nullptr;
    int (*setAddress)(VerifyParam*, const char*) = nullptr;
    char* (*host)(VerifyParam*, int) = nullptr;
};

// The loaded library whose file is named `prefix`<version>: the one libmosquitto uses.
QString loadedLibrary(const char* prefix)
{
    struct Search {
        const char* prefix;
        QString found;
    } search{prefix, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            const QString path = QString::fromLocal8Bit(info->dlpi_name);
            if (path.section(QLatin1Char('/'), -1).startsWith(QLatin1String(s->prefix)))
                s->found = path;
            return s->found.isEmpty() ? 0 : 1;
        },
        &search);
    return search.found;
}

template <typename Function>
bool resolve(QLibrary& library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

// OpenSSL's functions, resolved the first time; nullptr when libmosquitto brought none in.
const OpenSsl* openSsl()
{
    static const OpenSsl* const loaded = [] () -> const OpenSsl* {
        static QLibrary library(loadedLibrary("libssl.so."));
        static OpenSsl f;
        // The library's dependencies answer too: libcrypto's functions come through it.
        const bool all = library.load() && resolve(library, f.clientMethod, "TLS_client_method")
            && resolve(library, f.newContext, "SSL_CTX_new") && resolve(library, f.freeContext, "SSL_CTX_free")
            && resolve(library, f.contextCtrl, "SSL_CTX_ctrl")
            && resolve(library, f.defaultPaths, "SSL_CTX_set_default_verify_paths")
            && resolve(library, f.loadLocations, "SSL_CTX_load_verify_locations")
            && resolve(library, f.setVerify, "SSL_CTX_set_verify")
            && resolve(library, f.setInfoCallback, "SSL_CTX_set_info_callback")
            && resolve(library, f.contextParam, "SSL_CTX_get0_param") && resolve(library, f.sslParam, "SSL_get0_param")
            && resolve(library, f.sslCtrl, "SSL_ctrl") && resolve(library, f.setHost, "X509_VERIFY_PARAM_set1_host")
            && resolve(library, f.setAddress, "X509_VERIFY_PARAM_set1_ip_asc")
            && resolve(library, f.host, "X509_VERIFY_PARAM_get0_host");
        return all ? &f : nullptr;
    }();
    return loaded;
}

// libmosquitto names the address it connects to as the server's name; the broker's own
// name, which the certificate is checked against, goes instead, before the first message.
void atHandshake(const Ssl* constSsl, int where, int)
{
    if (!(where & kHandshakeStart))
        return;
    const OpenSsl& f = *openSsl();
    auto* ssl = const_cast<Ssl*>(constSsl);
    if (char* name = f.host(f.sslParam(ssl), 0))
        f.sslCtrl(ssl, kCtrlSetHostName, kHostNameType, name);
}

} // namespace

void* newTlsContext(const QString& host, const QString& caFile, QString& error)
{
    const OpenSsl* f = openSsl();
    if (!f) {
        error = QStringLiteral("the TLS library that libmosquitto uses cannot be found");
        return nullptr;
    }
    SslCtx* context = f->newContext(f->clientMethod());
    if (!context) {
        error = QStringLiteral("TLS cannot be set up");
        return nullptr;
    }
    f->contextCtrl(context, kCtrlSetMinProtocol, kTls12, nullptr);
    const QByteArray ca = caFile.toLocal8Bit();
    const bool trusted = caFile.isEmpty() ? f->defaultPaths(context) == 1
                                          : f->loadLocations(context, ca.constData(), nullptr) == 1;
    const QByteArray name = host.toUtf8();
    const bool named = QHostAddress(host).isNull() ? f->setHost(f->contextParam(context), name.constData(), 0) == 1
                                                   : f->setAddress(f->contextParam(context), name.constData()) == 1;
    if (!trusted || !named) {
        f->freeContext(context);
        error = trusted ? QStringLiteral("'%1' cannot be checked against a certificate").arg(host)
                        : QStringLiteral("no certificate authority in %1")
                              .arg(caFile.isEmpty() ? QStringLiteral("the system's store") : caFile);
        return nullptr;
    }
    f->setVerify(context, kVerifyPeer, nullptr);
    f->setInfoCallback(context, &atHandshake);
    return context;
}

void releaseTlsContext(void* context)
{
    if (const OpenSsl* f = openSsl(); f && context)
        f->freeContext(static_cast<SslCtx*>(context));
}

} // namespace card_mqtt
