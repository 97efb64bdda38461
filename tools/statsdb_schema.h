// The two tables of the statistics database that skyranks reads, as the
// statistics program creates them. Shared by the data generator (skygen) and
// by test helpers that need a realistic empty database.
//
// Contract:
//  - kCreatePilots and kCreateSorties create the tables in the connection's
//    default database; they fail when a table of that name already exists.
//  - `pilots` has none of the columns skyranks adds itself (realrank,
//    lastsortie, awards); kAddRankColumns adds them as nullable integers, the
//    way a database looks after the service has run once.
//  - kCreateSortiesIndex adds the (pilotid, id) index that the per-pilot
//    sortie walk relies on; loaders may run it after filling the table.
//  - Numeric columns of `sorties` other than id and pilotid are nullable:
//    readers must take NULL as 0 (and NULL times and texts as empty).
#pragma once

namespace sky::statsdb {

inline constexpr char kCreatePilots[] =
    "create table pilots ("
    " id int not null auto_increment,"
    " callsign varchar(50) not null default '',"
    " class varchar(20) not null default 'Human pilot',"
    " ArmyID int not null default 0,"
    " score int null default 0,"
    " sorties int null default 0,"
    " flighttime int null default 0,"
    " lastseen datetime null,"
    " primary key (id)"
    ") engine=InnoDB default charset=utf8mb4";

inline constexpr char kAddRankColumns[] =
    "alter table pilots add realrank int null, add lastsortie int null, add awards int null";

inline constexpr char kCreateSorties[] =
    "create table sorties ("
    " id int not null auto_increment,"
    " sessionid int null,"
    " pilotid int not null,"
    " armyid int null,"
    " starttime datetime null,"
    " endtime datetime null,"
    " missionid int null,"
    " score int null default 0,"
    " eAir int null default 0,"
    " eBom int null default 0,"
    " eSAir int null default 0,"
    " eTank int null default 0,"
    " eCar int null default 0,"
    " eArt int null default 0,"
    " eAaa int null default 0,"
    " eWag int null default 0,"
    " eShip int null default 0,"
    " fAir int null default 0,"
    " fSAir int null default 0,"
    " fTank int null default 0,"
    " fCar int null default 0,"
    " fArt int null default 0,"
    " fAaa int null default 0,"
    " fWag int null default 0,"
    " fShip int null default 0,"
    " wound int null default 0,"
    " SortieEND varchar(20) null,"
    " primary key (id)"
    ") engine=InnoDB default charset=utf8mb4";

inline constexpr char kCreateSortiesIndex[] =
    "create index sorties_pilot_sortie on sorties (pilotid, id)";

}  // namespace sky::statsdb
