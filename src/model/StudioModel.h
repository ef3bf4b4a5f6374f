#pragma once

#include "model/ModelNews.h"
#include "model/StrobeData.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace lumadesk {

class NameBook;
class WindowMessage;

// One studio: ten channel slots; a used slot owns its record. nChItemCnt always equals the
// number of used slots, and the record in slot i has nChNum i, the label of i and this studio
// as its parent.
struct StudioData : NodeHeader {
    StudioData(int number, QString name);
    ~StudioData();
    StudioData(const StudioData&) = delete;
    StudioData& operator=(const StudioData&) = delete;

    int nStudioNum;
    QString sStudioName;
    int nChItemCnt = 0;
    // The head the others are measured against in stops: a channel chosen by the operator, or
    // -1 for the first head whose role is Key (KeyUnitOf).
    int nKeyChannel = -1;
    std::array<int, kChannelCount> bChUsed{};
    std::array<std::unique_ptr<StrobeData>, kChannelCount> pStrobe;

    // The unit on channel c, or null (also for c outside 0..9).
    StrobeData* UnitOn(int channel) const;
};

inline constexpr int kStudioCount = 5;

// Everything the console knows about the heads: five studios, the memory studio that receives
// a Business Memory preview, the scanned studio, the current node and the grid's shown units.
// GUI thread only.
struct StudioModel {
    StudioModel();
    ~StudioModel();
    StudioModel(const StudioModel&) = delete;
    StudioModel& operator=(const StudioModel&) = delete;

    std::unique_ptr<StudioData> pMemoryStudio;
    StudioData* pScanStudio = nullptr;
    // The studio whose group the dongle was last told to address (a select went out since the
    // port opened); null before that. Reports are filed here: it is the group on the air.
    StudioData* pAddressedStudio = nullptr;
    std::array<std::unique_ptr<StudioData>, kStudioCount> studios;
    // Written only through SetCurrentNode, which tells the news (currentChanged).
    NodeHeader* pCurNode = nullptr;
    std::vector<StrobeData*> arrShown;
    // Every change to the heads, studios, ticks and current node is told here. Telling changes
    // nothing of the model, so readers that hold it const may tell too.
    mutable ModelNews news;
    // Where names, roles and the studios' names are remembered across scans and runs; null for
    // none (the command-line tool, most tests). PlaceStrobe names a new head from it.
    NameBook* pNameBook = nullptr;
    // Stops per 1.0 of a head's level: 1.0 for heads whose scale runs in stops.
    double dStopsPerStep = 1.0;

    // Whether the record is held by one of the six studios now. Posted messages carry record
    // pointers that a scan may have destroyed since.
    bool OwnsRecord(const StrobeData* record) const;
    // ... and it is still the record of that serial, not a later one at the same address.
    bool OwnsRecord(const StrobeData* record, std::uint64_t serial) const;

    // The studio with number 0..4, or null.
    StudioData* StudioByNumber(int number) const;
};

// The current studio's units as the grid shows them, in slot order: the first nChItemCnt
// entries of arrShown, less any the studio no longer holds (a clear leaves the list pointing at
// destroyed records until the grid is rebuilt). Empty without a current studio.
std::vector<StrobeData*> ShownUnits(const StudioModel& model);
// The studio's units in slot order; empty for none.
std::vector<StrobeData*> UnitsOf(const StudioData* studio);

// The heads of the studio whose boxes show ticked, in slot order: the heads a group change
// moves, on every face.
std::vector<StrobeData*> TickedUnits(const StudioData* studio);

// Posts a message whose lParam is the record, with the record's serial.
bool PostRecordMessage(QObject* target, int number, qintptr wParam, const StrobeData* record);

// The record a message names in lParam when the model still holds exactly that record, else
// null. A posted message must name it by pointer and serial (PostRecordMessage); a sent one
// cannot outlive its record, so its pointer suffices. Every receiver of record messages asks this.
StrobeData* HeldRecordOf(const StudioModel& model, const WindowMessage& message);

// The number (0..4) of one of the five shown studios, or -1 for anything else (the memory
// studio, a pointer the model does not hold). Compares pointers only.
int shownStudioNumber(const StudioModel& model, const StudioData* studio);

StudioData* StudioOfNode(NodeHeader* node);
// Makes the node current and tells the news when that changed anything.
void SetCurrentNode(StudioModel* model, NodeHeader* node);
StrobeData* UnitOfNode(NodeHeader* node);

// Places the record into slot ch and takes it over, destroying a record the slot held. For a
// channel outside 0..9 nothing happens and the record stays the caller's. Returns the placed
// record or null.
StrobeData* PutStrobe(StudioData* studio, int ch, std::unique_ptr<StrobeData>&& record);

// PutStrobe into the studio of number n (0..4 only). If the current node lay in a record that
// the placement destroys, it moves to the studio.
StrobeData* PlaceStrobe(StudioModel* model, int n, int ch, std::unique_ptr<StrobeData>&& record);

// The head a studio's stops are measured from: the chosen channel when a head is on it, else the
// first head (slot order) whose role is Key; null for none.
StrobeData* KeyUnitOf(const StudioData* studio);

// Chooses the studio's key (a channel 0..9, or -1 for the first head with role Key) and tells
// the news. False when nothing changed or the studio is not shown.
bool SetKeyChannel(StudioModel* model, StudioData* studio, int channel);
// Sets the stops per 1.0 of level (above 0) and tells every studio's key news.
bool SetStopsPerStep(StudioModel* model, double stopsPerStep);

// Gives a shown studio (0..4) a new name and tells the news. False, and nothing changed, for
// an empty or unchanged name or a studio the model does not show.
bool RenameStudio(StudioModel* model, StudioData* studio, const QString& name);

// Destroys every record of the studio; a current node inside it moves to the studio itself.
void ClearStudio(StudioModel* model, StudioData* studio);

// For every slot used in both studios: names, role and settings block from source to
// destination.
// Returns 0 when the destination is null, else 1.
int CopyStudioValues(StudioData* destination, const StudioData* source);

// What a selection in the studio tree does, for callers that have no tree (command-line tool,
// tests): the studio becomes a shown node and the current node.
void SelectStudio(StudioModel* model, StudioData* studio);

} // namespace lumadesk
