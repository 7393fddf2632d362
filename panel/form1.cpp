#include "form1.h"

#include "accessible_texts.h"
#include "colours.h"
#include "form1_description.h"
#include "port_tooltips.h"
#include "window_centring.h"

#include "card_link/card_frames.h"
#include "card_link/card_name.h"
#include "card_link/port_device.h"
#include "card_link/output_mask.h"
#include "card_link/remote_name.h"
#include "card_safety/output_guard.h"
#include "gauge/font_stand_ins.h"
#include "gauge/gaugix_identity.h"
#include "port_messages/port_messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

// The pictures live in a static library, so their resource is registered by hand.
static void initPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace panel {
namespace {

QIcon panelWindowIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/pictures/icon_32.xpm")));
    icon.addPixmap(QPixmap(QStringLiteral(":/pictures/icon_16.xpm")));
    return icon;
}

} // namespace

Form1::Form1(card_link::SerialPort* port, QWidget* parent)
    : QMainWindow(parent),
      ownPort_(port ? nullptr : std::make_unique<card_link::CardPort>()),
      port_(port ? port : ownPort_.get()),
      selection_(*port_, *this)
{
    initPictures();
    gaugix::installFontStandIns();  // the description names the gauge's font too
    const FormSpec& form = form1Description();
    setWindowTitle(form.caption);
    setWindowIcon(panelWindowIcon());

    QMenu* menuFile = menuBar()->addMenu(form.menu.caption);
    menuFile->setObjectName(form.menu.name);
    menuFile->setAccessibleName(QString(form.menu.caption).remove(QLatin1Char('&')));  // its popup, "File"
    menuEsci_ = menuFile->addAction(form.menu.itemCaption);
    menuEsci_->setObjectName(form.menu.itemName);

    auto* client = new QWidget(this);
    client->setFixedSize(pixels(form.clientWidth), pixels(form.clientHeight));
    setCentralWidget(client);
    form_ = buildForm(form, client);
    controls_ = findControls(form_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();  // settles the window's size now, so start-up can centre it
    move(pixels(form.storedLeft), pixels(form.storedTop));

    Timer1_.setInterval(form.timerInterval);
    selection_.keeper().changed = [this](card_link::CardWatch::Change change) { tell(change); };
    connectHandlers();
    for (int i = 0; i < card_link::kChannelCount; ++i) {
        showOutputState(i);
        giveAccessibleName(led_ingresso(i), inputLedName(i, false));  // every LED starts dark
    }
}

Form1::~Form1() = default;

void Form1::connectHandlers()
{
    for (int i = 0; i < card_link::kChannelCount; ++i)
        connect(onoff(i), &QPushButton::clicked, this, [this, i] { onoff_Click(i); });
    for (int i = 0; i < 4; ++i)
        connect(quale_porta(i), &QRadioButton::clicked, this, [this, i] { quale_porta_Click(i); });
    connect(esci(), &QPushButton::clicked, this, &Form1::esci_Click);
    connect(menuEsci_, &QAction::triggered, this, &Form1::menuEsci_Click);
    connect(&Timer1_, &platform::IntervalTimer::timeout, this, &Form1::Timer1_Timer);
    if (ownPort_) {
        connect(ownPort_.get(), &card_link::CardPort::notice, this,
                [](const card_link::PortProblem& notice) {
                    std::fprintf(stderr, "pelmora: %s\n", qPrintable(card_link::portMessage(notice)));
                });
        connect(ownPort_.get(), &card_link::CardPort::deviceLost, this,
                [this](const card_link::PortProblem& why) { selection_.keeper().lost(why); });
    }
    QList<QAbstractButton*> options;
    for (int i = 0; i < 4; ++i)
        options.append(quale_porta(i));
    portTexts_ = new PortToolTips(options, this);
}

QLabel* Form1::led_out(int i) const { return member(controls_.led_out, i); }
QLabel* Form1::led_ingresso(int i) const { return member(controls_.led_ingresso, i); }
QPushButton* Form1::onoff(int i) const { return member(controls_.onoff, i); }
QRadioButton* Form1::quale_porta(int i) const { return member(controls_.quale_porta, i); }
QLabel* Form1::picLedOn() const { return controls_.picLedOn; }
QLabel* Form1::picLedOff() const { return controls_.picLedOff; }
QPushButton* Form1::esci() const { return controls_.esci; }
platform::HostedControl* Form1::v_meter1(int i) const { return member(controls_.v_meter1, i); }

void Form1::Form_Load()
{
    centreOnScreen(this);
    // A card on another machine may take seconds to answer: the window is there meanwhile.
    if (ownPort_ && card_link::isRemoteName(ownPort_->deviceName()))
        show();
    for (int i = 0; i < card_link::kChannelCount; ++i) {
        setBackColour(led_out(i), card_link::kColourOff);
        showOutputState(i);
    }
    // The panel keeps no file: an output that its settings switch on at start is on.
    if (guard_)
        showMask(guard_->start(std::nullopt, false));
    quale_porta_Click(0);
}

void Form1::comunica()
{
    if (ending_)
        return;
    const bool watched = selection_.inUse() && port_->portOpen();
    lastExchange_ = card_link::comunica(*port_, stato_uscite_, *this);
    ++exchanges_;
    if (watched && !ending_)
        selection_.keeper().exchanged(lastExchange_ == card_link::Exchange::Shown, card_link::CardWatch::Clock::now());
    if (!ending_)
        emit cardShown();
}

void Form1::pilota_led(int quale_led, int acceso)
{
    QLabel* led = led_ingresso(7 - quale_led);
    if (!led)
        return;
    const QPixmap picture = (acceso == 1 ? picLedOn() : picLedOff())->pixmap();
    const int bit = 1 << (7 - quale_led);
    shownInputs_ = acceso == 1 ? shownInputs_ | bit : shownInputs_ & ~bit;
    if (led->pixmap().cacheKey() != picture.cacheKey()) {
        led->setPixmap(picture);
        giveAccessibleName(led, inputLedName(7 - quale_led, acceso == 1));
    }
}

void Form1::accendi_o_spegni(int Index)
{
    QLabel* indicator = led_out(Index);
    if (!indicator)
        return;
    setBackColour(indicator, card_link::toggledColour(backColourOf(indicator)));
    showOutputState(Index);
    sendOutputs();
}

void Form1::sendOutputs()
{
    yieldEvents();
    std::array<int, card_link::kChannelCount> colours{};
    for (int i = 0; i < card_link::kChannelCount; ++i)
        colours[i] = backColourOf(led_out(i));
    const int wanted = card_link::maskFromColours(colours);
    // What the buttons ask for goes through the guard, which may switch a partner off, or
    // hold an ON back; the buttons then show what the card is sent.
    if (guard_)
        showMask(guard_->request(wanted, wanted ^ stato_uscite_));
    else
        stato_uscite_ = wanted;
    comunica();
}

void Form1::showMask(int mask)
{
    stato_uscite_ = mask;
    for (int i = 0; i < card_link::kChannelCount; ++i) {
        const int colour = card_link::outputOn(mask, i) ? card_link::kColourOn : card_link::kColourOff;
        if ((backColourOf(led_out(i)) == card_link::kColourOn) != card_link::outputOn(mask, i)) {
            setBackColour(led_out(i), colour);
            showOutputState(i);
        }
    }
}

void Form1::onoff_Click(int Index)
{
    accendi_o_spegni(Index);
}

void Form1::switchOutput(int Index, bool on)
{
    QLabel* indicator = led_out(Index);
    if (indicator && (backColourOf(indicator) == card_link::kColourOn) != on)
        onoff_Click(Index);
}

void Form1::setOutputs(int mask)
{
    bool changed = false;
    for (int i = 0; i < card_link::kChannelCount; ++i) {
        const int colour = card_link::outputOn(mask, i) ? card_link::kColourOn : card_link::kColourOff;
        if (backColourOf(led_out(i)) != colour) {
            setBackColour(led_out(i), colour);
            showOutputState(i);
            changed = true;
        }
    }
    if (changed)
        sendOutputs();
}

QString Form1::defaultCardName() const
{
    const QString held = shownCard().device;
    return card_link::defaultCardName(held.isEmpty() ? card_link::deviceForPort(1) : held);
}

card_link::CardState Form1::shownCard() const
{
    card_link::CardState card;
    card.name = cardName_;
    card.outputs = stato_uscite_;
    card.inputs = shownInputs_;
    card.analog1Volts = shownVolts_[0];
    card.analog2Volts = shownVolts_[1];
    card.port = QStringLiteral("Com%1").arg(port_->portNumber());
    card.device = device_;
    card.connected = selection_.keeper().connected();
    if (guard_) {
        for (int channel = 0; channel < card_link::kChannelCount; ++channel) {
            if (const auto left = guard_->offIn(channel))
                card.offIn[size_t(channel)] = int(std::chrono::ceil<std::chrono::seconds>(*left).count());
        }
        card.safe = guard_->safeReason();
    }
    return card;
}

QString Form1::notConnected() const
{
    return selection_.keeper().notConnected(portAndDevice());
}

void Form1::quale_porta_Click(int Index)
{
    selection_.quale_porta_Click(Index);
    portTexts_->refresh();
    device_ = ownPort_ ? ownPort_->deviceName() : QString();
    if (!ending_)
        emit cardShown();
}

void Form1::Timer1_Timer()
{
    if (guard_) {
        if (const std::optional<int> decided = guard_->update())
            showMask(*decided);
    }
    const bool ready = selection_.readyToPoll(card_link::CardWatch::Clock::now());
    if (ready)
        comunica();
    else if (!ending_)
        emit cardShown();
}

void Form1::esci_Click()
{
    endProgram();
}

void Form1::menuEsci_Click()
{
    endProgram();
}

// The output indicator's name and the output button's description say whether it is on.
void Form1::showOutputState(int channel)
{
    const bool on = backColourOf(led_out(channel)) == card_link::kColourOn;
    giveAccessibleName(led_out(channel), outputIndicatorName(channel, on));
    giveAccessibleDescription(onoff(channel), stateWord(on));
}

void Form1::endProgram()
{
    // Ends at once: no more exchanges, nothing more sent; the port is released
    // when the window is destroyed on the way out. Every event loop ends, a modal
    // box's included.
    if (ending_)
        return;
    ending_ = true;
    selection_.stop();
    Timer1_.stop();
    QCoreApplication::exit(0);
}

void Form1::tell(card_link::CardWatch::Change change)
{
    device_ = ownPort_ ? ownPort_->deviceName() : QString();
    const QString line = card_link::changeLine(change, portAndDevice());
    if (!line.isEmpty())
        std::fprintf(stderr, "pelmora: %s\n", qPrintable(line));
}

QString Form1::portAndDevice() const
{
    const QString port = QStringLiteral("Com%1").arg(port_->portNumber());
    return device_.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, device_);
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void Form1::setGaugeValue(int gauge, double volts)
{
    if (gauge == 0 || gauge == 1)
        shownVolts_[gauge] = volts;
    if (platform::HostedControl* meter = v_meter1(gauge))
        meter->putProperty(gaugix::kValueDispId, volts);
}

void Form1::yieldEvents()
{
    QCoreApplication::processEvents();
}

void Form1::setTimerEnabled(bool enabled)
{
    if (enabled)
        Timer1_.start();
    else
        Timer1_.stop();
}

void Form1::showPortError(const QString& detail)
{
    // The same line goes to standard error, for a panel started from a terminal or a launcher.
    if (!detail.isEmpty())
        std::fprintf(stderr, "pelmora: %s\n", qPrintable(detail));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ERRORE"),
                    QStringLiteral("Porta inesistente o già utilizzata da un'altra periferica"),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(detail);
    // The detail may hold a server's words: plain text, never a link or markup.
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text() == detail)
            label->setTextFormat(Qt::PlainText);
    }
    box.exec();
}

void Form1::selectPortOption(int index)
{
    QRadioButton* option = quale_porta(index);
    if (option->isChecked())
        return;
    option->setChecked(true);
    quale_porta_Click(index);
}

} // namespace panel
