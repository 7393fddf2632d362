#pragma once
// A serial-over-network server that will not give the card to this client says so
// in words, in the data stream, as the first bytes of the connection ("Port already
// in use", "Device open failure: ..."), then closes it. Those words are told to the
// user as the reason and never reach the frame decoder as readings. The card's own
// bytes are held back only while they could still be the start of such words.

#include <QByteArray>
#include <QString>

namespace card_link {

class ServerRefusal {
public:
    enum class Verdict {
        Undecided,  // what came so far could be the start of a refusal: held back
        Data,       // the card's bytes: take held() and everything after it as data
        Refused,    // the server's refusal: see reason()
    };

    // Bytes from the start of a connection; once decided, the verdict stays.
    Verdict feed(const QByteArray& bytes);
    Verdict verdict() const { return verdict_; }

    // The bytes held back, handed over once: what came before the verdict was Data.
    QByteArray takeHeld();

    // The server's words, on one line, fit to show (see printable_text.h); more of them
    // may come until the connection closes.
    QString reason() const;

private:
    Verdict verdict_ = Verdict::Undecided;
    QByteArray held_;
};

} // namespace card_link
