#pragma once
// libmosquitto, loaded when a card first goes on a broker rather than with the program: a
// program that is not asked to (most panels, a service without --mqtt) never loads it, nor
// the TLS libraries it brings, and stays smaller for it. Its functions are called through
// `mosq` as `mosq->connect_async(...)`, with the library's own signatures.

#include <mosquitto.h>

#include <QString>

namespace card_mqtt {

#define PELMORA_MOSQUITTO_FUNCTIONS(F)                                                                               \
    F(lib_init) F(destroy) F(int_option) F(connect_v5_callback_set) F(disconnect_v5_callback_set)             \
    F(message_v5_callback_set) F(log_callback_set) F(username_pw_set) F(will_set_v5) F(tls_set) F(connect_async)    \
    F(socket) F(loop_read) F(loop_write) F(loop_misc) F(want_write) F(disconnect) F(publish_v5) F(subscribe_v5)       \
    F(strerror) F(reason_string) F(void_option) F(publish_v5_callback_set) F(subscribe_v5_callback_set)

struct MosquittoLibrary {
#define PELMORA_MOSQUITTO_POINTER(name) decltype(&::mosquitto_##name) name = nullptr;
    PELMORA_MOSQUITTO_FUNCTIONS(PELMORA_MOSQUITTO_POINTER)
#undef PELMORA_MOSQUITTO_POINTER
    decltype(&::mosquitto_new) create = nullptr;  // mosquitto_new: "new" is C++'s
};

// The library, loaded and started the first time; nullptr with `error` when it cannot be.
const MosquittoLibrary* mosquittoLibrary(QString& error);

} // namespace card_mqtt
