#include "settings/keys.h"

#include <cstddef>

#include "ascii.h"
#include "types.h"
#include "usage/keeper.h"

namespace {

constexpr std::size_t graphField(int channel, std::size_t field) {
    return offsetof(WidgetSettings, graphs) + static_cast<std::size_t>(channel) * sizeof(Graph) +
           field;
}

constexpr std::size_t labelField(int kind, std::size_t field) {
    return offsetof(WidgetSettings, labels) + static_cast<std::size_t>(kind) * sizeof(Label) +
           field;
}

constexpr int kR = Channel::Receive;
constexpr int kS = Channel::Send;

} // namespace

// The order of the rows is the order of reading: window keys, the receive graph, the receive
// label, the send graph, the other three labels, the price and the interface.
const SettingKey kSettingKeys[kSettingKeyCount] = {
    {"Velnor.x:", KeyType::Integer, offsetof(WidgetSettings, x), "100"},
    {"Velnor.y:", KeyType::Integer, offsetof(WidgetSettings, y), "100"},
    {"Velnor.width:", KeyType::Integer, offsetof(WidgetSettings, width), "100"},
    {"Velnor.height:", KeyType::Integer, offsetof(WidgetSettings, height), "100"},
    {"Velnor.timer:", KeyType::Integer, offsetof(WidgetSettings, timer), "1000"},
    {"Velnor.alphaEnabled:", KeyType::Flag, offsetof(WidgetSettings, alphaEnabled), "false"},
    {"Velnor.alphaValue:", KeyType::Integer, offsetof(WidgetSettings, alphaValue), "100"},
    {"Velnor.sctEnabled:", KeyType::Flag, offsetof(WidgetSettings, sctEnabled), "false"},
    {"Velnor.sctColor:", KeyType::Colour, offsetof(WidgetSettings, sctColor), "#FFFFFF"},
    {"Velnor.alwaysOnTop:", KeyType::Flag, offsetof(WidgetSettings, alwaysOnTop), "false"},
    {"Velnor.pluginToggle:", KeyType::Flag, offsetof(WidgetSettings, pluginToggle), "false"},
    {"Velnor.inSlit:", KeyType::Flag, offsetof(WidgetSettings, inSlit), "false"},

    {"Velnor.receiveGraph.x:", KeyType::Integer, graphField(kR, offsetof(Graph, x)), "0"},
    {"Velnor.receiveGraph.y:", KeyType::Integer, graphField(kR, offsetof(Graph, y)), "0"},
    {"Velnor.receiveGraph.width:", KeyType::Integer, graphField(kR, offsetof(Graph, width)), "50"},
    {"Velnor.receiveGraph.height:", KeyType::Integer, graphField(kR, offsetof(Graph, height)),
     "50"},
    {"Velnor.receiveGraph.color:", KeyType::Colour, graphField(kR, offsetof(Graph, color)),
     "#FFFFFF"},
    {"Velnor.receiveGraph.background:", KeyType::Colour,
     graphField(kR, offsetof(Graph, background)), "#000000"},

    {"Velnor.receiveLabel.caption:", KeyType::Caption,
     labelField(LabelKind::Receive, offsetof(Label, caption)), ""},
    {"Velnor.receiveLabel.left:", KeyType::Integer,
     labelField(LabelKind::Receive, offsetof(Label, left)), "60"},
    {"Velnor.receiveLabel.right:", KeyType::Integer,
     labelField(LabelKind::Receive, offsetof(Label, right)), "90"},
    {"Velnor.receiveLabel.y:", KeyType::Integer, labelField(LabelKind::Receive, offsetof(Label, y)),
     "10"},
    {"Velnor.receiveLabel.tab_x:", KeyType::Integer,
     labelField(LabelKind::Receive, offsetof(Label, tab_x)), "0"},
    {"Velnor.receiveLabel.tab_y:", KeyType::Integer,
     labelField(LabelKind::Receive, offsetof(Label, tab_y)), "0"},
    {"Velnor.receiveLabel.icon:", KeyType::Icon,
     labelField(LabelKind::Receive, offsetof(Label, icon)), nullptr},

    {"Velnor.sendGraph.x:", KeyType::Integer, graphField(kS, offsetof(Graph, x)), "0"},
    {"Velnor.sendGraph.y:", KeyType::Integer, graphField(kS, offsetof(Graph, y)), "50"},
    {"Velnor.sendGraph.width:", KeyType::Integer, graphField(kS, offsetof(Graph, width)), "50"},
    {"Velnor.sendGraph.height:", KeyType::Integer, graphField(kS, offsetof(Graph, height)), "50"},
    {"Velnor.sendGraph.color:", KeyType::Colour, graphField(kS, offsetof(Graph, color)), "#FFFFFF"},
    {"Velnor.sendGraph.background:", KeyType::Colour, graphField(kS, offsetof(Graph, background)),
     "#000000"},

    {"Velnor.sendLabel.caption:", KeyType::Caption,
     labelField(LabelKind::Send, offsetof(Label, caption)), ""},
    {"Velnor.sendLabel.left:", KeyType::Integer, labelField(LabelKind::Send, offsetof(Label, left)),
     "60"},
    {"Velnor.sendLabel.right:", KeyType::Integer,
     labelField(LabelKind::Send, offsetof(Label, right)), "90"},
    {"Velnor.sendLabel.y:", KeyType::Integer, labelField(LabelKind::Send, offsetof(Label, y)),
     "20"},
    {"Velnor.sendLabel.tab_x:", KeyType::Integer,
     labelField(LabelKind::Send, offsetof(Label, tab_x)), "0"},
    {"Velnor.sendLabel.tab_y:", KeyType::Integer,
     labelField(LabelKind::Send, offsetof(Label, tab_y)), "0"},
    {"Velnor.sendLabel.icon:", KeyType::Icon, labelField(LabelKind::Send, offsetof(Label, icon)),
     nullptr},

    {"Velnor.bothLabel.caption:", KeyType::Caption,
     labelField(LabelKind::Both, offsetof(Label, caption)), ""},
    {"Velnor.bothLabel.left:", KeyType::Integer, labelField(LabelKind::Both, offsetof(Label, left)),
     "10"},
    {"Velnor.bothLabel.right:", KeyType::Integer,
     labelField(LabelKind::Both, offsetof(Label, right)), "90"},
    {"Velnor.bothLabel.y:", KeyType::Integer, labelField(LabelKind::Both, offsetof(Label, y)),
     "30"},
    {"Velnor.bothLabel.tab_x:", KeyType::Integer,
     labelField(LabelKind::Both, offsetof(Label, tab_x)), "0"},
    {"Velnor.bothLabel.tab_y:", KeyType::Integer,
     labelField(LabelKind::Both, offsetof(Label, tab_y)), "0"},
    {"Velnor.bothLabel.icon:", KeyType::Icon, labelField(LabelKind::Both, offsetof(Label, icon)),
     nullptr},

    {"Velnor.costLabel.caption:", KeyType::Caption,
     labelField(LabelKind::Cost, offsetof(Label, caption)), ""},
    {"Velnor.costLabel.left:", KeyType::Integer, labelField(LabelKind::Cost, offsetof(Label, left)),
     "10"},
    {"Velnor.costLabel.right:", KeyType::Integer,
     labelField(LabelKind::Cost, offsetof(Label, right)), "90"},
    {"Velnor.costLabel.y:", KeyType::Integer, labelField(LabelKind::Cost, offsetof(Label, y)),
     "50"},
    {"Velnor.costLabel.tab_x:", KeyType::Integer,
     labelField(LabelKind::Cost, offsetof(Label, tab_x)), "0"},
    {"Velnor.costLabel.tab_y:", KeyType::Integer,
     labelField(LabelKind::Cost, offsetof(Label, tab_y)), "0"},
    {"Velnor.costLabel.icon:", KeyType::Icon, labelField(LabelKind::Cost, offsetof(Label, icon)),
     nullptr},

    {"Velnor.price:", KeyType::Price, offsetof(WidgetSettings, price), "1"},
    {"Velnor.adapter:", KeyType::Integer, offsetof(WidgetSettings, adapter), "0"},
};

const SettingKey kLedgerKeys[kLedgerKeyCount] = {
    {"Velnor.period:", KeyType::Period, offsetof(WidgetSettings, period), "boot"},
    {"Velnor.billingDay:", KeyType::Integer, offsetof(WidgetSettings, billingDay), "1"},
};

const SettingKey kCapKeys[kCapKeyCount] = {
    {"Velnor.cap:", KeyType::Cap, offsetof(WidgetSettings, capBytes), ""},
    {"Velnor.budget:", KeyType::Price, offsetof(WidgetSettings, budget), ""},
    {"Velnor.capWarn:", KeyType::Integer, offsetof(WidgetSettings, capWarn), "80"},
    {"Velnor.capWarnColor:", KeyType::Colour, offsetof(WidgetSettings, capWarnColor), "#FFC000"},
    {"Velnor.capOverColor:", KeyType::Colour, offsetof(WidgetSettings, capOverColor), "#FF4040"},
};

const SettingKey kInterfaceKeys[kInterfaceKeyCount] = {
    {"Velnor.interface:", KeyType::Name, offsetof(WidgetSettings, interfaceName), ""},
};

const KeyTable kKeyTables[kKeyTableCount] = {{kSettingKeys, kSettingKeyCount},
                                             {kLedgerKeys, kLedgerKeyCount},
                                             {kCapKeys, kCapKeyCount},
                                             {kInterfaceKeys, kInterfaceKeyCount}};

int parsePeriod(const char* text) {
    struct Word {
        const char* text;
        int period;
    };
    static const Word kWords[] = {{"day", UsagePeriod::Day}, {"month", UsagePeriod::Month}};
    for (const Word& word : kWords)
        if (isWord(text, word.text))
            return word.period;
    return UsagePeriod::Boot;
}
