#include "in_process_panel.h"

InProcessPanel::InProcessPanel(const QStringList& cardOptions) : card_(cardOptions)
{
    if (card_.device().isEmpty())
        return;
    qputenv("PELMORA_COM1", card_.device().toLocal8Bit());
    form_ = std::make_unique<panel::Form1>();
    form_->Form_Load();
    form_->show();
    runEventsFor(300);  // let the window paint and the first replies come in
}

bool InProcessPanel::ready() const
{
    return form_ && form_->MSComm1().portOpen();
}
