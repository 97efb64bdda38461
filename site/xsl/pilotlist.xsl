<?xml version="1.0" encoding="windows-1251"?>
<!--
  Список пилотов одного сервера: таблица из пакета данных
  /?cmd=show&srvid=N (DATAPACKET/ROWDATA/ROW с атрибутами
  id, callsign, realrank, armyid, srvid).
  Названия званий соответствуют шкале нового файла настроек; если шкала
  изменена, поправьте шаблон rank-name ниже.
  Щелчок по заголовку столбца сортирует таблицу. Ссылки ведут к истории,
  текущей жизни и странице пилота (/?pilot=N&srvid=S).
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251" indent="yes"/>

  <xsl:template name="rank-name">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="$value = 1">мл. л-т</xsl:when>
      <xsl:when test="$value = 2">лейтенант</xsl:when>
      <xsl:when test="$value = 3">ст. лейтенант</xsl:when>
      <xsl:when test="$value = 4">капитан</xsl:when>
      <xsl:when test="$value = 5">майор</xsl:when>
      <xsl:when test="$value = 6">подполковник</xsl:when>
      <xsl:when test="$value = 7">полковник</xsl:when>
      <xsl:when test="$value = 8">генерал</xsl:when>
      <xsl:otherwise>Сержант</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="army-name">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="$value = 1">Красные</xsl:when>
      <xsl:when test="$value = 2">Синие</xsl:when>
      <xsl:otherwise>—</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="/">
    <html>
      <head>
        <meta http-equiv="Content-Type" content="text/html; charset=windows-1251"/>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title>Пилоты и звания</title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 16px; }
          h1 { font-size: 20px; color: #123c69; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
          th { background: #123c69; color: #fff; padding: 6px 10px; cursor: pointer; user-select: none; text-align: left; }
          th.sorted-up:after { content: " \25B2"; }
          th.sorted-down:after { content: " \25BC"; }
          td { padding: 4px 10px; border-bottom: 1px solid #dde3ea; }
          tr.army-1 td.army { color: #b22222; }
          tr.army-2 td.army { color: #1e4fb2; }
          tr:hover td { background: #f5f8fc; }
          td.num { text-align: right; }
          .count { color: #56657a; margin: 8px 0; }
        </style>
        <script type="text/javascript">
          // Sorts the table by the clicked column; numbers as numbers, texts
          // in the Russian alphabetical order. A second click reverses.
          function sortPilots(th) {
            var table = document.getElementById("pilots");
            var body = table.tBodies[0];
            var column = th.cellIndex;
            var numeric = th.getAttribute("data-type") === "number";
            var down = th.className !== "sorted-up";
            var rows = Array.prototype.slice.call(body.rows);
            rows.sort(function (a, b) {
              var x = a.cells[column].getAttribute("data-key") || a.cells[column].textContent;
              var y = b.cells[column].getAttribute("data-key") || b.cells[column].textContent;
              var order = numeric ? (Number(x) - Number(y)) : x.localeCompare(y, "ru");
              return down ? order : -order;
            });
            rows.forEach(function (row) { body.appendChild(row); });
            var heads = table.tHead.rows[0].cells;
            for (var i = 0; i &lt; heads.length; i++) heads[i].className = "";
            th.className = down ? "sorted-up" : "sorted-down";
          }
        </script>
      </head>
      <body>
        <h1>Пилоты и звания</h1>
        <div class="count">Всего пилотов: <span id="pilot-count"><xsl:value-of select="count(//ROW)"/></span></div>
        <div class="scroll">
        <table id="pilots">
          <thead>
            <tr>
              <th data-type="number" onclick="sortPilots(this)">№</th>
              <th data-type="text" onclick="sortPilots(this)">Позывной</th>
              <th data-type="number" onclick="sortPilots(this)">Звание</th>
              <th data-type="text" onclick="sortPilots(this)">Армия</th>
              <th data-type="text">История</th>
              <th data-type="text">Статистика</th>
              <th data-type="text">Пилот</th>
            </tr>
          </thead>
          <tbody>
            <xsl:for-each select="//ROW">
              <xsl:sort select="@realrank" data-type="number" order="descending"/>
              <xsl:sort select="@callsign"/>
              <tr class="army-{@armyid}">
                <td class="num"><xsl:value-of select="@id"/></td>
                <td class="callsign"><xsl:value-of select="@callsign"/></td>
                <td class="rank" data-key="{sum(@realrank)}">
                  <xsl:call-template name="rank-name">
                    <xsl:with-param name="value" select="@realrank"/>
                  </xsl:call-template>
                </td>
                <td class="army">
                  <xsl:call-template name="army-name">
                    <xsl:with-param name="value" select="@armyid"/>
                  </xsl:call-template>
                </td>
                <td><a href="/?history={@id}&amp;srvid={@srvid}&amp;format=html">жизни и вылеты</a></td>
                <td><a href="/?cmd=info&amp;pilotid={@id}&amp;srvid={@srvid}&amp;format=html">текущая жизнь</a></td>
                <td><a href="/?pilot={@id}&amp;srvid={@srvid}&amp;format=html">звание и награды</a></td>
              </tr>
            </xsl:for-each>
          </tbody>
        </table>
        </div>
        <p><a href="/sky.gif" target="_blank"><img src="/sky.gif" border="0" alt="banner"/></a></p>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
