#include "tool/process/processing_order.h"

#include <set>

namespace min_lumo_tool {

using min_lumo_field::Occupation;

namespace {

// An occupation log's line states when a station was occupied; it holds no
// receiver data.
constexpr const char* occupationLogFormatStart = "occupation log";

std::optional<EarthCentred> Header_Position(const Occupation& read) {
    if (!read.positionKnown) return std::nullopt;
    return EarthCentred{read.x, read.y, read.z};
}

class OrderReader {
public:
    OrderReader(const Campaign& campaign, const ProcessingPlan& plan) : campaign_(campaign), plan_(plan) {}

    ProcessingOrder Read() const {
        ProcessingOrder order;
        const auto& stations = campaign_.project.stations;
        for (std::size_t s = 0; s < stations.size(); ++s) {
            OrderedStation station;
            station.name = stations[s].name;
            station.control = plan_.oriented.after.stations[s].treeLevel == 0;
            const CampaignStation& formed = campaign_.stations[Campaign_Station(static_cast<int32_t>(s))];
            if (formed.positionKnown) station.headerPosition = EarthCentred{formed.x, formed.y, formed.z};
            order.stations.push_back(std::move(station));
        }
        std::set<std::string> sessions;
        for (const PlanNetwork& network : plan_.networks)
            for (const PlanRow& row : network.rows) {
                if (!row.selected || row.step == 0) continue;
                order.observations.push_back(Observation(network, row));
                sessions.insert(order.observations.back().session);
            }
        order.sessions.assign(sessions.begin(), sessions.end());
        return order;
    }

private:
    OrderedObservation Observation(const PlanNetwork& network, const PlanRow& row) const {
        const auto index = static_cast<std::size_t>(row.observation);
        const CampaignObservation& origin = campaign_.observations[index];
        OrderedObservation observation;
        observation.observation = row.observation;
        observation.label = campaign_.project.observations[index].label;
        observation.session = origin.session;
        observation.network = network.index;
        observation.step = row.step;
        observation.level = row.level;
        observation.startGps = origin.startGps;
        observation.endGps = origin.endGps;
        observation.commonSeconds = origin.commonSeconds;
        observation.lengthMetres = row.lengthMetres;
        // The campaign stores each observation from the station whose name
        // sorts first; orientation may have turned it.
        const bool turned = campaign_.Project_Station_Of(origin.fromOccupation) != row.fromStation;
        const OccupationIndex fromOccupation = turned ? origin.toOccupation : origin.fromOccupation;
        const OccupationIndex toOccupation = turned ? origin.fromOccupation : origin.toOccupation;
        observation.from = End(row.fromStation, fromOccupation, turned ? origin.toFile : origin.fromFile, origin);
        observation.to = End(row.toStation, toOccupation, turned ? origin.fromFile : origin.toFile, origin);
        return observation;
    }

    ReceiverEnd End(int32_t station, OccupationIndex occupation, FileIndex mainFile,
                    const CampaignObservation& origin) const {
        ReceiverEnd end;
        end.station = station;
        for (const ReadIndex read : campaign_.occupations[occupation].reads) {
            const ReadOccupation& part = campaign_.files.reads[read];
            const bool log = part.format.rfind(occupationLogFormatStart, 0) == 0;
            if (part.file == mainFile) {
                end.antennaType = part.antennaType;
                end.antennaHeight = part.antennaHeight;
                end.antennaEast = part.antennaEast;
                end.antennaNorth = part.antennaNorth;
                end.antennaFile = campaign_.files.files[part.file];
                end.headerPosition = Header_Position(part);
            }
            if (log || part.lastGps < origin.startGps || part.firstGps > origin.endGps) continue;
            end.files.push_back(campaign_.files.files[part.file]);
            end.formats.push_back(part.format);
        }
        return end;
    }

    const Campaign& campaign_;
    const ProcessingPlan& plan_;
};

}  // namespace

ProcessingOrder Processing_Order(const Campaign& campaign, const ProcessingPlan& plan) {
    return OrderReader(campaign, plan).Read();
}

}  // namespace min_lumo_tool
