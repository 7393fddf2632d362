#pragma once
// The TLS context of every connection to the broker, made here and handed to libmosquitto
// (MOSQ_OPT_SSL_CTX) rather than left to it: the one libmosquitto 2.0.11 makes trusts the
// system's store (MOSQ_OPT_TLS_USE_OS_CERTS) for the first connection only, and refuses
// every later one as invalid arguments. This one lasts as long as the client: TLS 1.2 at
// least; the system's certificate authorities as OpenSSL finds them (SSL_CERT_FILE and
// SSL_CERT_DIR honoured), or the one the user names; the broker's certificate checked
// against the broker's name as the user wrote it, whichever of its addresses the connection
// goes to, and that name sent as the server's (SNI). OpenSSL is the one libmosquitto
// brought in, found among the loaded libraries.

#include <QString>

namespace card_mqtt {

// A new context (an SSL_CTX) for the broker `host`, trusting `caFile`, or the system's store
// when it is empty; nullptr with `error` when it cannot be made.
void* newTlsContext(const QString& host, const QString& caFile, QString& error);
// Gives up the caller's reference: libmosquitto keeps its own.
void releaseTlsContext(void* context);

} // namespace card_mqtt
