// The data module: one connection, its statement objects, and the
// connection and column-check operations.
#include <mysql.h>

#include <mutex>

#include "base/log.h"
#include "db/db_error.h"
#include "db/session.h"

namespace sky {
namespace {

void InitialiseLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mysql_library_init(0, nullptr, nullptr); });
}

// Long enough for a large export over a slow link, short enough that a
// vanished server does not hold a calculation cycle for ever.
constexpr unsigned kReadWriteTimeoutSeconds = 600;
constexpr unsigned kConnectTimeoutSeconds = 30;

}  // namespace

TDbThreadScope::TDbThreadScope() {
  InitialiseLibraryOnce();
  mysql_thread_init();
}
TDbThreadScope::~TDbThreadScope() { mysql_thread_end(); }

TdmMySQL::TdmMySQL()
    : SQLQueryPilots(*this,
                     "select * from pilots \n"
                     "where class = 'Human pilot' \n"
                     "           and ((ArmyID = 1) or (ArmyID = 2))"),
      SQLQueryService(*this),
      SQLQueryCheckPilot(*this,
                         "select * from sorties\n"
                         "where pilotid = :p_pilot_id\n"
                         "  and id >= :p_last_sortie\n"
                         "order by id"),
      SQLQueryGetPilot(*this, "select * from pilots where id = :pilot_id"),
      SQLQueryUpdate(*this),
      mySQLQuery1(*this) {
  InitialiseLibraryOnce();
}

TdmMySQL::~TdmMySQL() {
  SQLQueryPilots.Close();
  SQLQueryService.Close();
  SQLQueryCheckPilot.Close();
  SQLQueryGetPilot.Close();
  SQLQueryUpdate.Close();
  mySQLQuery1.Close();
  Disconnect();
}

void TdmMySQL::Disconnect() {
  if (connection_) {
    mysql_close(connection_);
    connection_ = nullptr;
  }
}

bool TdmMySQL::BackslashEscapes() const {
  unsigned status = 0;
  if (!connection_ || mariadb_get_infov(connection_, MARIADB_CONNECTION_SERVER_STATUS, &status)) {
    return true;
  }
  return (status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
}

void TdmMySQL::Send(const std::string& sql) {
  if (!connection_) throw TDbError("Database not connected");
  if (observer_) observer_(sql);
  if (mysql_real_query(connection_, sql.data(), sql.size()) != 0) {
    throw TDbError(mysql_error(connection_));
  }
}

void TdmMySQL::StreamRows(const std::string& sql,
                          const std::function<void(const TRowValues&)>& row) {
  Send(sql);
  struct TResultFreer {
    void operator()(MYSQL_RES* result) const {
      // Freeing an unfinished result reads its remaining rows off the wire,
      // so the connection is usable again afterwards.
      mysql_free_result(result);
    }
  };
  std::unique_ptr<MYSQL_RES, TResultFreer> result(mysql_use_result(connection_));
  if (!result) {
    if (mysql_field_count(connection_) != 0) throw TDbError(mysql_error(connection_));
    return;
  }
  const unsigned count = mysql_num_fields(result.get());
  TRowValues values(count);
  while (MYSQL_ROW fetched = mysql_fetch_row(result.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(result.get());
    for (unsigned i = 0; i < count; ++i) {
      if (fetched[i]) {
        values[i].emplace(fetched[i], lengths[i]);
      } else {
        values[i].reset();
      }
    }
    row(values);
  }
  if (mysql_errno(connection_) != 0) throw TDbError(mysql_error(connection_));
}

void OpenDatabase(TdmMySQL& session, const TServerEntry& entry) {
  session.Disconnect();
  MYSQL* connection = mysql_init(nullptr);
  if (!connection) throw TDbError("out of memory");
  mysql_optionsv(connection, MYSQL_OPT_CONNECT_TIMEOUT, &kConnectTimeoutSeconds);
  mysql_optionsv(connection, MYSQL_OPT_READ_TIMEOUT, &kReadWriteTimeoutSeconds);
  mysql_optionsv(connection, MYSQL_OPT_WRITE_TIMEOUT, &kReadWriteTimeoutSeconds);
  // No statement of the program loads client files; a server must not be
  // able to ask for one.
  const unsigned no_local_infile = 0;
  mysql_optionsv(connection, MYSQL_OPT_LOCAL_INFILE, &no_local_infile);
  const std::string charset = entry.Charset.empty() ? "utf8mb4" : entry.Charset;
  mysql_optionsv(connection, MYSQL_SET_CHARSET_NAME, charset.c_str());
  const std::string host = entry.Host.empty() ? "localhost" : entry.Host;
  if (!mysql_real_connect(connection, host.c_str(), entry.User.c_str(), entry.Pass.c_str(),
                          entry.Db.c_str(), entry.Port, nullptr, 0)) {
    const std::string message = mysql_error(connection);
    mysql_close(connection);
    throw TDbError(message);
  }
  session.connection_ = connection;
  session.address_ = {host, entry.Port, entry.Db};
}

bool ConnectDatabase(TdmMySQL& session, const TServerEntry& entry) {
  try {
    OpenDatabase(session, entry);
    return true;
  } catch (const TDbError& e) {
    WriteLog(0, "ERROR connecting to MySQL:", e.what());
    return false;
  }
}

bool PilotFieldExists(TdmMySQL& session, std::string_view column) {
  session.SQLQueryService.Close();
  session.SQLQueryService.SetText("select " + std::string(column) + " from pilots where 0 = 1");
  try {
    session.SQLQueryService.Open();
    session.SQLQueryService.Close();
    return true;
  } catch (const TDbError&) {
    session.SQLQueryService.Close();
    return false;
  }
}

}  // namespace sky
