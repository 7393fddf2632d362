#pragma once
// The panel window: eight output channels, eight input LEDs, two gauges and the
// choice of port, polling the card ten times a second.

#include "form1_controls.h"
#include "form_builder.h"

#include "card_link/card_state.h"
#include "card_link/card_watch.h"
#include "card_link/poll_exchange.h"
#include "port_selection.h"
#include "card_link/card_port.h"
#include "platform/interval_timer.h"

namespace card_safety {
class OutputGuard;
}

#include <QMainWindow>

class QLabel;
class QPushButton;
class QRadioButton;
class QAction;

namespace panel {

class PortToolTips;

class Form1 : public QMainWindow, private card_link::ExchangeView, private panel::PortSelectionView {
    Q_OBJECT
public:
    // Builds the window from its stored description, with the given serial port
    // object (the real one when none is given).
    explicit Form1(card_link::SerialPort* port = nullptr, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: centre, all outputs off, open COM1 and start polling.
    void Form_Load();

    void comunica();
    void pilota_led(int quale_led, int acceso) override;
    void accendi_o_spegni(int Index);
    void onoff_Click(int Index);
    // What a click on output Index's button would do, when it is not already `on`.
    void switchOutput(int Index, bool on);
    // All eight outputs as `mask` gives them (output channel i at bit 7 - i), shown as
    // clicks would show them but sent in one request, so no other mix reaches the card.
    void setOutputs(int mask);
    void quale_porta_Click(int Index);
    void Timer1_Timer();
    // The buttons and the mask as `mask` gives them, with no request of its own.
    void showMask(int mask);
    void esci_Click();
    void menuEsci_Click();

    // Ends the program as Esci does: no question, nothing more sent to the card, no
    // other port tried; a port choice under way stops after its box. The port is
    // closed, and its lock file removed, when the window goes on the way out.
    void endProgram();
    // True once the program is ending; start-up checks it before running the event
    // loop, since a request to end that came during start-up cannot end a loop not yet running.
    bool ending() const { return ending_; }

    int stato_uscite() const { return stato_uscite_; }
    // What the window shows of the card now.
    card_link::CardState shownCard() const;
    // The card's name on the bus and the broker.
    void setCardName(const QString& name) { cardName_ = name; }
    // The guard that decides every mask the card is sent (panel --config FILE); before
    // Form_Load. Without one, the buttons are the outputs, as they always were.
    void setGuard(card_safety::OutputGuard* guard) { guard_ = guard; }
    card_safety::OutputGuard* guard() const { return guard_; }
    // The name a card is given when none is: its device's file name, the device the window
    // holds (Com2's after a fall back from Com1), else Com1's.
    QString defaultCardName() const;
    // "the card on DEVICE is not connected: ...", in English; empty while it is.
    QString notConnected() const;
    // How far the last exchange went, and how many there have been.
    card_link::Exchange lastExchange() const { return lastExchange_; }
    quint64 exchanges() const { return exchanges_; }

signals:
    // After each poll, output change and choice of port, when shownCard() may have
    // changed: at most once a poll.
    void cardShown();

public:

    // Controls by name and index, as the description calls them.
    QWidget* control(const QString& key) const { return form_.widgets.value(key); }
    QLabel* led_out(int i) const;
    QLabel* led_ingresso(int i) const;
    QPushButton* onoff(int i) const;
    QRadioButton* quale_porta(int i) const;
    QLabel* picLedOn() const;
    QLabel* picLedOff() const;
    QPushButton* esci() const;
    QAction* menuEsci() const { return menuEsci_; }
    platform::HostedControl* v_meter1(int i) const;
    QWidget* clientArea() const { return centralWidget(); }
    platform::IntervalTimer& Timer1() { return Timer1_; }
    card_link::SerialPort& MSComm1() { return *port_; }
    const QStringList& problems() const { return form_.problems; }

protected:
    // Form_Unload: every request to close the window is refused.
    void closeEvent(QCloseEvent* event) override;

private:
    void setGaugeValue(int gauge, double volts) override;
    void yieldEvents() override;
    void setTimerEnabled(bool enabled) override;
    void showPortError(const QString& detail) override;
    void selectPortOption(int index) override;
    void connectHandlers();
    // Prints a change in the card's answers on standard error.
    void tell(card_link::CardWatch::Change change);
    // "Com1 (/dev/ttyUSB0)": the port in use and its device, as the lines name it.
    QString portAndDevice() const;
    void showOutputState(int channel);
    // The mask from the indicators, sent to the card at once.
    void sendOutputs();

    std::unique_ptr<card_link::CardPort> ownPort_;
    card_link::SerialPort* port_;
    BuiltForm form_;
    Form1Controls controls_;
    QAction* menuEsci_ = nullptr;
    PortToolTips* portTexts_ = nullptr;
    platform::IntervalTimer Timer1_;
    panel::PortSelection selection_;
    int stato_uscite_ = 0;
    int shownInputs_ = 0;
    double shownVolts_[2] = {0, 0};
    QString device_;
    QString cardName_;
    card_safety::OutputGuard* guard_ = nullptr;
    card_link::Exchange lastExchange_ = card_link::Exchange::NotSent;
    quint64 exchanges_ = 0;
    bool ending_ = false;
};

} // namespace panel
