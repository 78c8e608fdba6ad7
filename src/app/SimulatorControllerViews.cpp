// The simulator's windows: Registers (with the clock and the run speed), EEPROM and the
// Timing Diagram, placed beside the main window and titled with the simulated document;
// what they show of the chip, and the program counter's line in the editor.

#include "app/SimulatorController.h"

#include "app/PinDiagram.h"
#include "app/TMainForm.h"
#include "app/TimingDiagram.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"
#include "model/HexDigit.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace tarvik;
using namespace tarvik::sim;

namespace {

QString hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The oscillator frequency in Hz, shown and typed as "4 MHz" or "32.768 kHz"; the arrows
// step through the usual crystals.
class ClockBox : public QSpinBox {
public:
    explicit ClockBox(QWidget* parent)
        : QSpinBox(parent)
    {
        setRange(32'000, 20'000'000);
        setKeyboardTracking(false);
    }

    static std::optional<int> parse(const QString& text)
    {
        static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d+(?:[.,]\\d*)?)\\s*(hz|khz|mhz)?\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = pattern.match(text);
        if (!match.hasMatch())
            return std::nullopt;
        double value = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        const QString unit = match.captured(2).toLower();
        // Without a unit the number is read in the unit that puts it in range.
        if (unit == QLatin1String("mhz") || (unit.isEmpty() && value <= 20))
            value *= 1e6;
        else if (unit == QLatin1String("khz") || (unit.isEmpty() && value <= 20'000))
            value *= 1e3;
        if (!(value >= 32'000 && value <= 20'000'000))
            return std::nullopt;
        return static_cast<int>(std::lround(value));
    }

protected:
    QString textFromValue(int hz) const override
    {
        const bool mega = hz >= 1'000'000;
        QString number = QString::number(hz / (mega ? 1e6 : 1e3), 'f', 6);
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(QLatin1Char('.')))
            number.chop(1);
        return number + (mega ? QStringLiteral(" MHz") : QStringLiteral(" kHz"));
    }
    int valueFromText(const QString& text) const override { return parse(text).value_or(value()); }
    QValidator::State validate(QString& text, int&) const override
    {
        return parse(text) ? QValidator::Acceptable : QValidator::Intermediate;
    }
    void stepBy(int steps) override
    {
        static constexpr std::array<int, 13> kCrystals = {32'000, 32'768, 100'000, 455'000, 1'000'000, 2'000'000,
                                                          3'579'545, 4'000'000, 8'000'000, 10'000'000, 12'000'000,
                                                          16'000'000, 20'000'000};
        auto at = std::lower_bound(kCrystals.begin(), kCrystals.end(), value());
        if (steps > 0)
            at = at != kCrystals.end() && *at == value() ? at + 1 : at;
        else
            at = at == kCrystals.begin() ? at : at - 1;
        at = std::clamp(at, kCrystals.begin(), kCrystals.end() - 1);
        setValue(*at);
    }
};

QDockWidget* floatingWindow(const char* name, TMainForm* form)
{
    auto* dock = new QDockWidget(form);
    dock->setObjectName(QString::fromLatin1(name));
    // Floating only: docked, they would take the room of the program beside the palette.
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    dock->setAllowedAreas(Qt::NoDockWidgetArea);
    form->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->setFloating(true);
    dock->hide();
    return dock;
}

const BitEntry* bitNamed(const ProgramDocument& document, int address, int bit)
{
    for (const int at : {address, address & 0x7F}) {
        if (const BitEntry* entry = document.userBits.find(at, bit))
            return entry;
        if (const BitEntry* entry = document.defaults().bits().find(at, bit))
            return entry;
    }
    return nullptr;
}

} // namespace

SimulatorWindowPlaces placeSimulatorWindows(const QRect& mainFrame, const QRect& pinDiagram, const QRect& available,
                                            int sideWidth, int eepromHeight, int timingHeight)
{
    SimulatorWindowPlaces places;
    sideWidth = std::min(sideWidth, available.width());
    const QRect frame = mainFrame.intersected(available);
    const bool beside = available.right() - mainFrame.right() >= sideWidth;
    // Without room beside: flush with the screen's right edge, over no more of the window
    // than the width needs; over the palette when no pin diagram shows under it (a small
    // screen), which leaves the program the most room.
    const bool overPalette = !beside && pinDiagram.isEmpty();
    const int columnLeft = beside ? mainFrame.right() + 1 : overPalette ? frame.left() : available.right() - sideWidth + 1;
    const QRect column(columnLeft, frame.top(), sideWidth, frame.height());
    const int eeprom = std::min(eepromHeight, column.height() * 2 / 5);
    places.registers = QRect(column.left(), column.top(), column.width(), column.height() - eeprom);
    places.eeprom = QRect(column.left(), places.registers.bottom() + 1, column.width(), eeprom);

    if (available.bottom() - mainFrame.bottom() >= timingHeight) {
        const int right = std::min(std::max(frame.right(), column.right()), available.right());
        places.timing = QRect(frame.left(), mainFrame.bottom() + 1, right - frame.left() + 1, timingHeight);
    } else {
        // Flush with the screen's bottom edge, over the bottom of the program's room, left of
        // the side column and right of the pin diagram when that leaves it a side column's width.
        const int below = std::max(0, available.bottom() - frame.bottom());
        const int height = std::min(timingHeight, below + frame.height() * 2 / 5);
        const int right = beside || overPalette ? frame.right() : column.left() - 1;
        int left = overPalette ? column.right() + 1 : frame.left();
        if (!pinDiagram.isEmpty() && right - pinDiagram.right() >= sideWidth)
            left = pinDiagram.right() + 1;
        places.timing = QRect(left, frame.bottom() + below - height + 1, right - left + 1, height);
    }
    return places;
}

void SimulatorController::createDocks()
{
    registersDock_ = floatingWindow("RegistersDock", form_);
    auto* panel = new QWidget(registersDock_);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 4, 4, 4);
    coreLabel_ = new QLabel(panel);
    coreLabel_->setObjectName(QStringLiteral("labCore"));
    coreLabel_->setTextFormat(Qt::RichText);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    coreLabel_->setFont(fixed);
    column->addWidget(coreLabel_);
    // The simulator's last news stays here: the status bar may be out of sight under the
    // simulator's own windows on a small screen, and clears its message after a while.
    newsLabel_ = new QLabel(panel);
    newsLabel_->setObjectName(QStringLiteral("labNews"));
    newsLabel_->setTextFormat(Qt::PlainText);
    newsLabel_->setWordWrap(true);
    column->addWidget(newsLabel_);

    auto* controls = new QFormLayout;
    controls->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    clockBox_ = new ClockBox(panel);
    clockBox_->setObjectName(QStringLiteral("txtClock"));
    clockBox_->setValue(static_cast<int>(clockHz_));
    connect(clockBox_, &QSpinBox::valueChanged, this, [this](int hz) { setClockHz(static_cast<std::uint32_t>(hz)); });
    controls->addRow(QStringLiteral("Clock:"), clockBox_);
    speedBox_ = new QComboBox(panel);
    speedBox_->setObjectName(QStringLiteral("cbxSpeed"));
    for (QAction* item : speedItems_->actions())
        speedBox_->addItem(item->text().remove(QLatin1Char('&')), item->objectName());
    speedBox_->setCurrentIndex(0);
    connect(speedBox_, &QComboBox::activated, this, [this](int index) {
        if (QAction* item = speedItems_->actions().value(index))
            item->trigger();
    });
    controls->addRow(QStringLiteral("Speed:"), speedBox_);
    column->addLayout(controls);

    registersTable_ = new QTableWidget(0, 4, panel);
    registersTable_->setObjectName(QStringLiteral("lvRegisters"));
    registersTable_->setHorizontalHeaderLabels({QStringLiteral("Register"), QStringLiteral("Addr"),
                                                QStringLiteral("Hex"), QStringLiteral("Binary")});
    registersTable_->verticalHeader()->hide();
    registersTable_->verticalHeader()->setDefaultSectionSize(18);
    registersTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    registersTable_->setFont(fixed);
    const QFontMetrics metrics(fixed);
    int tableWidth = 0;
    for (const auto& [index, sample] : {std::pair{0, "GPR0H0CXXX"}, {1, "Addr"}, {2, "Hex"}, {3, "00000000"}}) {
        registersTable_->setColumnWidth(index, metrics.horizontalAdvance(QLatin1String(sample)) + 10);
        tableWidth += registersTable_->columnWidth(index);
    }
    registersTable_->setMinimumWidth(tableWidth + 24);
    column->addWidget(registersTable_, 1);
    registersDock_->setWidget(panel);

    eepromDock_ = floatingWindow("EepromDock", form_);
    eepromTable_ = new QTableWidget(8, 8, eepromDock_);
    eepromTable_->setObjectName(QStringLiteral("lvEeprom"));
    eepromTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    eepromTable_->setFont(fixed);
    for (int i = 0; i < 8; ++i) {
        eepromTable_->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::number(i)));
        eepromTable_->setVerticalHeaderItem(i, new QTableWidgetItem(hex(i * 8, 2)));
    }
    eepromTable_->horizontalHeader()->setDefaultSectionSize(28);
    eepromTable_->verticalHeader()->setDefaultSectionSize(18);
    eepromDock_->setWidget(eepromTable_);
    connect(registersTable_, &QTableWidget::itemChanged, this, &SimulatorController::registerEdited);
    connect(eepromTable_, &QTableWidget::itemChanged, this, &SimulatorController::eepromEdited);

    timingDock_ = createTimingDock();
    // A window closed during a simulation opens again from the menu, under its title.
    menu_->addSeparator();
    for (const auto& [dock, name] : {std::pair{registersDock_, "ShowRegisters1"}, std::pair{eepromDock_, "ShowEeprom1"},
                                     std::pair{timingDock_, "ShowTimingDiagram1"}}) {
        dock->toggleViewAction()->setObjectName(QString::fromLatin1(name));
        menu_->addAction(dock->toggleViewAction());
    }
    updateTitles();
}

QDockWidget* SimulatorController::createTimingDock()
{
    QDockWidget* dock = floatingWindow("TimingDiagram", form_);
    auto* panel = new QWidget(dock);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(2);
    auto* tools = new QHBoxLayout;
    watchButton_ = new QToolButton(panel);
    watchButton_->setObjectName(QStringLiteral("btnWatchBit"));
    watchButton_->setText(QStringLiteral("Watch Register Bit"));
    watchButton_->setToolTip(QStringLiteral("Add a bit of a register to the diagram"));
    watchButton_->setPopupMode(QToolButton::InstantPopup);
    auto* watchMenu = new QMenu(watchButton_);
    watchMenu->setObjectName(QStringLiteral("WatchMenu"));
    connect(watchMenu, &QMenu::aboutToShow, this, [this, watchMenu] { fillWatchMenu(watchMenu); });
    watchButton_->setMenu(watchMenu);
    tools->addWidget(watchButton_);
    auto* fit = new QToolButton(panel);
    fit->setObjectName(QStringLiteral("btnFit"));
    fit->setText(QStringLiteral("Whole Run"));
    fit->setToolTip(QStringLiteral("Show the whole trace, from the oldest change kept to now"));
    tools->addWidget(fit);
    auto* latest = new QToolButton(panel);
    latest->setObjectName(QStringLiteral("btnLatest"));
    latest->setText(QStringLiteral("Latest"));
    latest->setToolTip(QStringLiteral("Keep the newest time in view at this zoom (End)"));
    tools->addWidget(latest);
    tools->addStretch();
    column->addLayout(tools);

    timing_ = new TimingDiagram(panel);
    timing_->setObjectName(QStringLiteral("panTiming"));
    timing_->setClockHz(clockHz_);
    column->addWidget(timing_, 1);
    timingReadout_ = new QLabel(panel);
    timingReadout_->setObjectName(QStringLiteral("labTimingReadout"));
    timingReadout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    timingReadout_->setWordWrap(true);
    timingReadout_->setMinimumHeight(2 * timingReadout_->fontMetrics().lineSpacing() + 2);
    timingReadout_->setText(timing_->readout());
    column->addWidget(timingReadout_);
    dock->setWidget(panel);

    connect(fit, &QToolButton::clicked, timing_, &TimingDiagram::fitAll);
    connect(latest, &QToolButton::clicked, timing_, &TimingDiagram::followLatest);
    connect(timing_, &TimingDiagram::readoutChanged, timingReadout_, &QLabel::setText);
    connect(timing_, &TimingDiagram::rowMenuRequested, this, &SimulatorController::showRowMenu);
    return dock;
}

void SimulatorController::placeWindows(const QRect& available)
{
    windowsPlaced_ = true;
    const int side = std::max(registersDock_->sizeHint().width(), eepromDock_->sizeHint().width());
    const int eeprom = eepromTable_->verticalHeader()->length() + eepromTable_->horizontalHeader()->height() + 30;
    const int timing = TimingDiagram::kRulerHeight + (kPinSignals + 1) * TimingDiagram::kRowHeight + 60;
    const QWidget* pins = form_->findChild<QWidget*>(QStringLiteral("ImagePanel"));
    const QRect pinArea = pins && pins->isVisible() && pins->height() > 0
        ? QRect(pins->mapToGlobal(QPoint(0, 0)), pins->size()) : QRect();
    const SimulatorWindowPlaces places
        = placeSimulatorWindows(form_->frameGeometry(), pinArea, available, side, eeprom, timing);
    registersDock_->setGeometry(places.registers);
    eepromDock_->setGeometry(places.eeprom);
    timingDock_->setGeometry(places.timing);
}

void SimulatorController::showDocks()
{
    if (!windowsPlaced_) {
        const QScreen* screen = form_->QWidget::screen();
        placeWindows(screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768));
    }
    for (QDockWidget* dock : {registersDock_, eepromDock_, timingDock_})
        dock->show();
}

QString SimulatorController::documentName() const
{
    return child_ && child_->parentWidget() ? child_->parentWidget()->windowTitle() : QString();
}

void SimulatorController::updateTitles()
{
    const QString name = documentName();
    const QString of = name.isEmpty() ? QString() : QStringLiteral(" - ") + name;
    registersDock_->setWindowTitle(QStringLiteral("Registers") + of);
    eepromDock_->setWindowTitle(QStringLiteral("EEPROM") + of);
    timingDock_->setWindowTitle(QStringLiteral("Timing Diagram") + of
                                + (stimulusName_.isEmpty() ? QString() : QStringLiteral(", stimulus ") + stimulusName_));
}

void SimulatorController::showPinRows()
{
    std::vector<TimingDiagram::Row> rows;
    for (int signal = 0; signal < kPinSignals; ++signal)
        rows.push_back({signal, QString::fromLatin1(pinSignalName(signal).data(),
                                                    static_cast<qsizetype>(pinSignalName(signal).size())), 0});
    for (const TimingDiagram::Row& row : timing_->rows())
        if (row.signal >= kPinSignals)
            rows.push_back(row);
    timing_->setRows(std::move(rows));
}

void SimulatorController::resetRows()
{
    std::vector<TimingDiagram::Row> rows = timing_->rows();
    for (TimingDiagram::Row& row : rows)
        row.knownFrom = session_->signalKnownFrom(row.signal);
    timing_->setRows(std::move(rows));
}

bool SimulatorController::watchBit(int address, int bit)
{
    if (!session_ || !child_)
        return false;
    const auto watched = [&](int slot) { return session_->watch(slot); };
    int free = -1;
    for (int slot = 0; slot < kWatchSlots; ++slot) {
        const auto watch = watched(slot);
        if (watch && watch->address == address && watch->bit == bit)
            return true;
        if (!watch && free < 0)
            free = slot;
    }
    if (free < 0) {
        setStatus(QStringLiteral("At most %1 register bits can be watched at once").arg(kWatchSlots));
        return false;
    }
    const ProgramDocument& document = child_->document();
    const RegisterTable& file = address >= 0x80 ? document.registerFile1 : document.registerFile0;
    const RegisterEntry* reg = file.find(address);
    const BitEntry* named = bitNamed(document, address, bit);
    const QString name = (reg ? fromProgramText(reg->nameText()) : hex(address, 2)) + QLatin1Char('.')
        + (named ? fromProgramText(named->nameText()) : QString::number(bit));
    session_->setWatch(free, WatchedBit{static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(bit)});
    std::vector<TimingDiagram::Row> rows = timing_->rows();
    const int signal = kPinSignals + free;
    rows.push_back({signal, name, session_->signalKnownFrom(signal)});
    timing_->setRows(std::move(rows));
    const int low = address & 0x7F;
    if (low == reg::INDF || low == reg::PCL || low == reg::STATUS)
        setStatus(QStringLiteral("Watching %1: runs go one instruction at a time, slower").arg(name));
    refresh();
    return true;
}

void SimulatorController::removeRow(int row)
{
    std::vector<TimingDiagram::Row> rows = timing_->rows();
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return;
    const int signal = rows[static_cast<std::size_t>(row)].signal;
    if (signal >= kPinSignals && session_)
        session_->setWatch(signal - kPinSignals, std::nullopt);
    rows.erase(rows.begin() + row);
    timing_->setRows(std::move(rows));
}

void SimulatorController::fillWatchMenu(QMenu* menu)
{
    menu->clear();
    if (!session_ || !child_)
        return;
    const ProgramDocument& document = child_->document();
    for (const RegisterTable* file : {&document.registerFile0, &document.registerFile1}) {
        for (const RegisterEntry& entry : *file) {
            const int address = entry.address;
            QMenu* bits = menu->addMenu(fromProgramText(entry.nameText()) + QStringLiteral("  (") + hex(address, 2)
                                        + QLatin1Char(')'));
            for (int bit = 7; bit >= 0; --bit) {
                const BitEntry* named = bitNamed(document, address, bit);
                QAction* item = bits->addAction(QStringLiteral("%1  %2").arg(bit).arg(
                    named ? fromProgramText(named->nameText()) : QString()));
                connect(item, &QAction::triggered, this, [this, address, bit] { watchBit(address, bit); });
            }
        }
    }
}

void SimulatorController::showRowMenu(int row, const QPoint& globalPos)
{
    if (!session_)
        return;
    QMenu menu;
    if (row >= 0) {
        const TimingDiagram::Row& shown = timing_->rows()[static_cast<std::size_t>(row)];
        QAction* remove = menu.addAction(QStringLiteral("Remove %1").arg(shown.name));
        connect(remove, &QAction::triggered, this, [this, row] { removeRow(row); });
    }
    connect(menu.addAction(QStringLiteral("Show All Pins")), &QAction::triggered, this, &SimulatorController::showPinRows);
    QMenu* watch = menu.addMenu(QStringLiteral("Watch Register Bit"));
    fillWatchMenu(watch);
    menu.exec(globalPos);
}

void SimulatorController::refresh()
{
    if (!session_)
        return;
    fillRegisters();
    fillEeprom();
    pins_->update();
    timing_->setNow(session_->chip().cycles());
    if (child_) {
        // After a step or a stop, and while animating, the program counter's line is in view.
        const int line = session_->currentLine();
        if ((!running() || speed_ == RunSpeed::Animate) && line >= 0
            && (line < child_->topIndex() || line >= child_->topIndex() + child_->visibleRows()))
            child_->ShowLine(line);
        child_->update();
    }
}

void SimulatorController::fillRegisters()
{
    const Pic16c84& chip = session_->chip();
    const QSignalBlocker quiet(registersTable_);
    if (registersTable_->rowCount() == 0 && child_) {
        // W first, with no address (kNoAddress), so that it too can be typed over.
        registersTable_->insertRow(0);
        registersTable_->setItem(0, 0, new QTableWidgetItem(QStringLiteral("W")));
        registersTable_->setItem(0, 1, new QTableWidgetItem);
        registersTable_->item(0, 1)->setData(Qt::UserRole, kNoAddress);
        for (int column : {0, 1, 2, 3}) {
            if (!registersTable_->item(0, column))
                registersTable_->setItem(0, column, new QTableWidgetItem);
            QTableWidgetItem* item = registersTable_->item(0, column);
            item->setFlags(column == 2 ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
        }
        // Registers under the program's names (the user's where given), both banks.
        for (const RegisterTable* file : {&child_->document().registerFile0, &child_->document().registerFile1}) {
            for (const RegisterEntry& entry : *file) {
                const int row = registersTable_->rowCount();
                registersTable_->insertRow(row);
                registersTable_->setItem(row, 0, new QTableWidgetItem(fromProgramText(entry.nameText())));
                registersTable_->setItem(row, 1, new QTableWidgetItem(hex(entry.address, 2)));
                registersTable_->item(row, 1)->setData(Qt::UserRole, entry.address);
                registersTable_->setItem(row, 2, new QTableWidgetItem);
                registersTable_->setItem(row, 3, new QTableWidgetItem);
                // Only the value of a register that can be set is typed over.
                for (int column = 0; column < 4; ++column) {
                    QTableWidgetItem* item = registersTable_->item(row, column);
                    const bool editable = column == 2 && chip.canPoke(entry.address);
                    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
                }
            }
        }
    }
    QString stack;
    for (int i = 0; i < chip.stackDepth(); ++i)
        stack += QStringLiteral(" 0x") + hex(chip.stackEntry(i), 3);
    const int status = chip.peek(reg::STATUS);
    // STATUS bit by bit: the names over their values.
    static const char* const kStatusBits[8] = {"IRP", "RP1", "RP0", "TO", "PD", "Z", "DC", "C"};
    QString names, values;
    for (int i = 0; i < 8; ++i) {
        const QString name = QLatin1String(kStatusBits[i]);
        names += name + QLatin1Char(' ');
        values += QString::number((status >> (7 - i)) & 1).rightJustified(name.size()) + QLatin1Char(' ');
    }
    QString bits = names.trimmed() + QStringLiteral("<br>       ") + values.trimmed();
    bits.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
    const double seconds = chip.elapsedSeconds();
    coreLabel_->setText(QStringLiteral("W&nbsp;&nbsp;0x%1&nbsp;&nbsp;&nbsp;PC&nbsp;0x%2 (%3)<br>"
                                       "Stack:%4<br>STATUS&nbsp;%5<br>Cycles %6<br>Time&nbsp;&nbsp;&nbsp;%7 ms<br>"
                                       "Stopwatch %8")
                            .arg(hex(chip.w(), 2), hex(chip.pc(), 3))
                            .arg(lineText(session_->currentLine()).replace(QLatin1Char(' '), QStringLiteral("&nbsp;")))
                            .arg(stack.isEmpty() ? QStringLiteral(" empty") : stack, bits)
                            .arg(chip.cycles())
                            .arg(seconds * 1000.0, 0, 'f', 3)
                            .arg(QString::fromStdString(stopwatch_.totalText(chip.cycles(), clockHz()))));
    const QColor changed(255, 235, 120);
    for (int row = 0; row < registersTable_->rowCount(); ++row) {
        const int address = registersTable_->item(row, 1)->data(Qt::UserRole).toInt();
        const int value = address == kNoAddress ? chip.w() : chip.peek(address);
        const int shown = address == kNoAddress ? shownW_ : shownValues_[static_cast<std::size_t>(address & 0xFF)];
        registersTable_->item(row, 2)->setText(hex(value, 2));
        registersTable_->item(row, 3)->setText(QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0')));
        const QBrush background = shown >= 0 && shown != value ? QBrush(changed) : QBrush();
        for (int column = 0; column < 4; ++column)
            registersTable_->item(row, column)->setBackground(background);
    }
    for (int address = 0; address < 256; ++address)
        shownValues_[static_cast<std::size_t>(address)] = chip.peek(address);
    shownW_ = chip.w();
}

void SimulatorController::fillEeprom()
{
    const Pic16c84& chip = session_->chip();
    const QSignalBlocker quiet(eepromTable_);
    for (int i = 0; i < kEepromBytes; ++i) {
        QTableWidgetItem* item = eepromTable_->item(i / 8, i % 8);
        if (!item) {
            item = new QTableWidgetItem;
            eepromTable_->setItem(i / 8, i % 8, item);
        }
        item->setText(hex(chip.eeprom(i), 2));
    }
}

namespace {

std::optional<int> typedByte(const QString& text)
{
    return tarvik::parseHexByte(text.toLatin1().toStdString());
}

} // namespace

void SimulatorController::registerEdited(QTableWidgetItem* item)
{
    if (!session_ || running() || item->column() != 2)
        return;
    const int row = item->row();
    const QString name = registersTable_->item(row, 0)->text();
    const int address = registersTable_->item(row, 1)->data(Qt::UserRole).toInt();
    const std::optional<int> value = typedByte(item->text());
    if (!value) {
        setStatus(QStringLiteral("%1: %2 is not a byte in hexadecimal (00 to FF)").arg(name, item->text().trimmed()));
    } else if (address == kNoAddress) {
        session_->chip().pokeW(static_cast<std::uint8_t>(*value));
        setStatus(QStringLiteral("W set to %1").arg(hex(*value, 2)));
    } else if (session_->chip().poke(address, static_cast<std::uint8_t>(*value))) {
        setStatus(QStringLiteral("%1 set to %2").arg(name, hex(*value, 2)));
    }
    refresh();
}

void SimulatorController::eepromEdited(QTableWidgetItem* item)
{
    if (!session_ || running())
        return;
    const int address = item->row() * 8 + item->column();
    const std::optional<int> value = typedByte(item->text());
    if (!value) {
        setStatus(QStringLiteral("EEPROM %1: %2 is not a byte in hexadecimal (00 to FF)")
                      .arg(hex(address, 2), item->text().trimmed()));
    } else {
        session_->chip().pokeEeprom(address, static_cast<std::uint8_t>(*value));
        setStatus(QStringLiteral("EEPROM %1 set to %2").arg(hex(address, 2), hex(*value, 2)));
    }
    refresh();
}

void SimulatorController::paintRow(QPainter& painter, int lineNumber, const QRect& row) const
{
    if (!session_)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (lineNumber == session_->currentLine()) {
        painter.fillRect(row, QColor(60, 200, 60, 60));
        QPainterPath arrow;
        const qreal middle = row.top() + row.height() / 2.0;
        arrow.moveTo(row.left() + 1, middle - 5);
        arrow.lineTo(row.left() + 9, middle);
        arrow.lineTo(row.left() + 1, middle + 5);
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 150, 0));
        painter.drawPath(arrow);
    }
    if (session_->hasBreakpoint(lineNumber)) {
        painter.setPen(QPen(QColor(120, 0, 0), 1));
        painter.setBrush(QColor(220, 30, 30, lineNumber == session_->currentLine() ? 150 : 255));
        painter.drawEllipse(QRectF(row.left() + 1.5, row.top() + row.height() / 2.0 - 4, 8, 8));
    }
}
