#include "form1_description.h"

#include "gauge/gaugix_identity.h"

namespace panel {
namespace {

constexpr int kLightGrey = 0xC0C0C0;

ControlSpec control(ControlKind kind, const QString& name, int index, const QString& container,
                    int left, int top, int width, int height)
{
    ControlSpec c;
    c.kind = kind;
    c.name = name;
    c.index = index;
    c.container = container;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    return c;
}

ControlSpec captioned(ControlSpec c, const QString& caption)
{
    c.caption = caption;
    return c;
}

// One channel column: its frame and the five controls it holds, top to bottom.
void addChannel(FormSpec& form, int channel, int frameIndex, int frameLeft, const QString& inputLabel)
{
    const QString frame = controlKey(QStringLiteral("canale"), frameIndex);
    ControlSpec column = control(ControlKind::Frame, "canale", frameIndex, {}, frameLeft, 900, 1095, 3795);
    column.accessibleName = QStringLiteral("Canale %1").arg(channel + 1);
    form.controls.push_back(column);

    ControlSpec name = captioned(control(ControlKind::Label, "nome_traccia", channel, frame, 60, 240, 960, 255),
                                 QStringLiteral("Interruttore %1").arg(channel + 1));
    name.backColour = kLightGrey;
    name.border = true;
    name.centred = true;
    form.controls.push_back(name);

    ControlSpec out = control(ControlKind::Label, "led_out", channel, frame, 120, 840, 855, 135);
    out.border = true;
    form.controls.push_back(out);

    ControlSpec button = captioned(control(ControlKind::CommandButton, "onoff", channel, frame, 120, 1200, 855, 855),
                                   QStringLiteral("On / Off"));
    button.accessibleName = QStringLiteral("Interruttore %1, On / Off").arg(channel + 1);
    form.controls.push_back(button);

    ControlSpec signal = captioned(control(ControlKind::Label, inputLabel, channel, frame, 120, 2400, 855, 255),
                                   QStringLiteral("Signal In"));
    signal.centred = true;
    form.controls.push_back(signal);

    ControlSpec led = control(ControlKind::PictureBox, "led_ingresso", channel, frame, 450, 2640, 195, 240);
    led.picture = QStringLiteral(":/pictures/led_off.xpm");
    form.controls.push_back(led);
}

void addHeader(std::vector<ControlSpec>& c)
{
    ControlSpec header = control(ControlKind::Frame, "Frame6", -1, {}, 0, 0, 11265, 855);
    header.accessibleName = QStringLiteral("Intestazione");
    c.push_back(header);
    ControlSpec title = captioned(control(ControlKind::Label, "Label13", -1, "Frame6", 180, 270, 6135, 375),
                                  QStringLiteral("PIC Serial Card Control"));
    title.font = {QStringLiteral("MS Sans Serif"), 18, true, 400};
    c.push_back(title);
    ControlSpec logo = control(ControlKind::PictureBox, "Picture2", -1, "Frame6", 8010, 120, 3030, 630);
    logo.picture = QStringLiteral(":/pictures/logo.png");
    logo.border = true;
    logo.accessibleName = QStringLiteral("Logo");
    c.push_back(logo);
}

// Gauge frames, one gauge each.
void addGauges(std::vector<ControlSpec>& c)
{
    for (int i = 0; i < 2; ++i) {
        ControlSpec holder = control(ControlKind::Frame, "Frame1", i, {}, 0, i == 0 ? 900 : 3330, 2535, 2445);
        holder.accessibleName = QStringLiteral("Strumento %1").arg(i + 1);
        c.push_back(holder);
        ControlSpec gauge = control(ControlKind::Gauge, "v_meter1", i, controlKey("Frame1", i), 90, 180, 2355, 2175);
        gauge.progId = QString::fromLatin1(gaugix::kProgId);
        gauge.accessibleName = QStringLiteral("Ingresso analogico %1").arg(i + 1);  // the input it shows
        c.push_back(gauge);
    }
}

// Port frame: four options in one group and the exit button.
void addPortFrame(std::vector<ControlSpec>& c)
{
    ControlSpec port = control(ControlKind::Frame, "Frame5", -1, {}, 2610, 4680, 8655, 1095);
    port.accessibleName = QStringLiteral("Porta");
    c.push_back(port);
    const int optionLeft[4] = {240, 1320, 2280, 3360};
    for (int i = 0; i < 4; ++i) {
        ControlSpec option = captioned(control(ControlKind::OptionButton, "quale_porta", i, "Frame5",
                                               optionLeft[i], 480, 975, 195),
                                       QStringLiteral("Com%1").arg(i + 1));
        option.selected = i == 0;
        c.push_back(option);
    }
    c.push_back(captioned(control(ControlKind::CommandButton, "esci", -1, "Frame5", 7080, 540, 1215, 375),
                          QStringLiteral("Esci")));
}

// Image holders, below the client area.
void addImageHolders(std::vector<ControlSpec>& c)
{
    ControlSpec on = control(ControlKind::PictureBox, "picLedOn", -1, {}, 1080, 6120, 195, 240);
    on.picture = QStringLiteral(":/pictures/led_on.xpm");
    on.accessibleName = QStringLiteral("Immagine del LED acceso");
    c.push_back(on);
    ControlSpec off = control(ControlKind::PictureBox, "picLedOff", -1, {}, 1320, 6120, 195, 240);
    off.picture = QStringLiteral(":/pictures/led_off.xpm");
    off.accessibleName = QStringLiteral("Immagine del LED spento");
    c.push_back(off);
}

FormSpec build()
{
    FormSpec form;
    form.caption = QStringLiteral("Pelmora    by Tersani");
    form.clientWidth = 11265;
    form.clientHeight = 5790;
    form.storedLeft = 1320;
    form.storedTop = 1455;
    form.font = {QStringLiteral("MS Sans Serif"), 8, false, 400};
    form.menu = {QStringLiteral("menuFile"), QStringLiteral("&File"), QStringLiteral("menuEsci"), QStringLiteral("&Esci")};
    form.timerInterval = 100;

    addHeader(form.controls);
    addGauges(form.controls);
    // Channel columns, left to right; the frames carry indices 0, then 14 down to 8.
    addChannel(form, 0, 0, 2610, "Label11");
    addChannel(form, 1, 14, 3690, "Label11");
    addChannel(form, 2, 13, 4800, "Label10");
    addChannel(form, 3, 12, 5850, "Label9");
    addChannel(form, 4, 11, 6930, "Label8");
    addChannel(form, 5, 10, 8010, "Label7");
    addChannel(form, 6, 9, 9090, "Label6");
    addChannel(form, 7, 8, 10170, "Label5");
    addPortFrame(form.controls);
    addImageHolders(form.controls);

    form.tabOrder.push_back(QStringLiteral("esci"));
    for (int i = 0; i < 4; ++i)
        form.tabOrder.push_back(controlKey("quale_porta", i));
    for (int i = 0; i < 8; ++i)
        form.tabOrder.push_back(controlKey("onoff", i));
    return form;
}

} // namespace

const FormSpec& form1Description()
{
    static const FormSpec form = build();
    return form;
}

} // namespace panel
