#pragma once
// A service on a virtual card of its own, and what a feature costs it: two such services run
// at once, one with the feature and one without, in rounds that swap which is started first.

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "result_table.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

struct ServiceOnCard {
    // pelmorad on the card's device, named `name`, with `arguments` after them.
    ServiceOnCard(const QString& name, const QStringList& arguments, const QStringList& cardOptions = {"--sweep"});
    QTemporaryDir home;  // its state, and the card's log of frames ("frames")
    VirtualCard card;
    std::unique_ptr<MeasuredProgram> program;
};

using ServiceMaker = std::function<std::unique_ptr<ServiceOnCard>()>;

// `what` with and without, measured over `seconds` in all; the row's figure is the median of the
// rounds' ratios, since one round's shares move with whatever else the machine does.
ResultRow pairedCostRow(const QString& what, const ServiceMaker& with, const ServiceMaker& without, int seconds,
                        double aim);
