<?xml version="1.0" encoding="utf-8"?>
<!--
  One pilot's page (/?pilot=N&srvid=S): rank and insignia, the ribbon rack,
  progress to the next rank, career and current life, and his lives as two
  bar charts (kills and sorties per life) drawn as inline SVG, then as a
  table. Pictures are img/ranks/<rank>.svg and img/ribbons/<army>-<value>.svg;
  an award without one is drawn as a plain ribbon in the colours the document
  gives. The page's language is the lang attribute (ru or en).
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="utf-8" indent="yes"/>

  <xsl:variable name="lang" select="/pilot/@lang"/>

  <xsl:template name="t">
    <xsl:param name="ru"/>
    <xsl:param name="en"/>
    <xsl:choose>
      <xsl:when test="$lang = 'en'"><xsl:value-of select="$en"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$ru"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="/">
    <html lang="{$lang}">
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:value-of select="pilot/@callsign"/> — skyranks</title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 12px; }
          h1 { font-size: 20px; color: #123c69; margin: 4px 0 12px; display: flex; align-items: center; gap: 12px; }
          h2 { font-size: 16px; color: #123c69; margin: 18px 0 8px; }
          nav a { margin-right: 12px; white-space: nowrap; }
          nav, .figures { display: flex; flex-wrap: wrap; }
          .box { background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); padding: 10px; max-width: 900px; }
          .army-1 { color: #b22222; }
          .army-2 { color: #1e4fb2; }
          #ribbons { display: flex; flex-wrap: wrap; gap: 3px; max-width: 240px; }
          #ribbons .ribbon { width: 48px; height: 16px; display: block; }
          .need { margin: 4px 0; }
          .bar { background: #dde3ea; height: 12px; border-radius: 3px; overflow: hidden; max-width: 400px; }
          .bar div { background: #2e7d32; height: 100%; }
          .figures span { margin-right: 14px; white-space: nowrap; }
          svg.chart { display: block; width: 100%; height: auto; max-width: 900px; background: #fff; }
          svg.chart rect.kills { fill: #c0392b; }
          svg.chart rect.sorties { fill: #2e6db4; }
          svg.chart text { font-size: 10px; fill: #56657a; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
          th { background: #123c69; color: #fff; padding: 5px 8px; text-align: left; white-space: nowrap; }
          td { padding: 4px 8px; border-bottom: 1px solid #dde3ea; white-space: nowrap; }
          td.num { text-align: right; }
          .empty { color: #56657a; }
        </style>
      </head>
      <body>
        <nav>
          <a href="/?cmd=top&amp;srvid={pilot/@srvid}&amp;lang={$lang}&amp;me={pilot/@callsign_url}"><xsl:call-template name="t"><xsl:with-param name="ru">Лучшие пилоты</xsl:with-param><xsl:with-param name="en">Leaderboard</xsl:with-param></xsl:call-template></a>
          <a href="/?history={pilot/@id}&amp;srvid={pilot/@srvid}&amp;format=html"><xsl:call-template name="t"><xsl:with-param name="ru">Вылеты по жизням</xsl:with-param><xsl:with-param name="en">Sorties by life</xsl:with-param></xsl:call-template></a>
          <xsl:choose>
            <xsl:when test="$lang = 'en'"><a href="/?pilot={pilot/@id}&amp;srvid={pilot/@srvid}&amp;lang=ru">Русский</a></xsl:when>
            <xsl:otherwise><a href="/?pilot={pilot/@id}&amp;srvid={pilot/@srvid}&amp;lang=en">English</a></xsl:otherwise>
          </xsl:choose>
        </nav>
        <xsl:apply-templates select="pilot"/>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="pilot[@found = '0']">
    <p class="empty" id="not-found"><xsl:choose>
      <xsl:when test="@ready = '0'"><xsl:call-template name="t">
        <xsl:with-param name="ru">Страница пилота появится после первого расчета этой базы с запуска сервиса.</xsl:with-param>
        <xsl:with-param name="en">The pilot's page appears after the first pass over this database since the service started.</xsl:with-param>
      </xsl:call-template></xsl:when>
      <xsl:otherwise><xsl:call-template name="t">
        <xsl:with-param name="ru">Такого пилота нет среди пилотов сторон этой базы.</xsl:with-param>
        <xsl:with-param name="en">No pilot of either side of this database has this number.</xsl:with-param>
      </xsl:call-template></xsl:otherwise>
    </xsl:choose></p>
  </xsl:template>

  <xsl:template match="pilot">
    <h1>
      <xsl:if test="@insignia != ''"><img src="/{@insignia}" alt="{@rankname}" title="{@rankname}" height="48" id="insignia"/></xsl:if>
      <span><span id="rank-name"><xsl:value-of select="@rankname"/></span>
        <xsl:text> </xsl:text><span id="callsign" class="army-{@army}"><xsl:value-of select="@callsign"/></span></span>
    </h1>
    <div class="box">
      <div id="ribbons">
        <xsl:for-each select="ribbons/ribbon">
          <xsl:variable name="title"><xsl:choose>
            <xsl:when test="@name != ''"><xsl:value-of select="@name"/></xsl:when>
            <xsl:otherwise><xsl:call-template name="t"><xsl:with-param name="ru">Награда, бит </xsl:with-param><xsl:with-param name="en">Award, bit </xsl:with-param></xsl:call-template><xsl:value-of select="@bit"/></xsl:otherwise>
          </xsl:choose></xsl:variable>
          <xsl:choose>
            <xsl:when test="@picture != ''"><img class="ribbon" src="/{@picture}" alt="{$title}" title="{$title}" data-bit="{@bit}"/></xsl:when>
            <xsl:otherwise>
              <svg class="ribbon plain" xmlns="http://www.w3.org/2000/svg" viewBox="0 0 36 12" data-bit="{@bit}">
                <title><xsl:value-of select="$title"/></title>
                <rect x="0" y="0" width="36" height="12" fill="{@colour1}"/>
                <rect x="12" y="0" width="12" height="12" fill="{@colour2}"/>
                <rect x="0.25" y="0.25" width="35.5" height="11.5" fill="none" stroke="#333" stroke-width="0.5"/>
              </svg>
            </xsl:otherwise>
          </xsl:choose>
        </xsl:for-each>
      </div>
      <xsl:if test="not(ribbons/ribbon)"><span class="empty"><xsl:call-template name="t"><xsl:with-param name="ru">Наград пока нет.</xsl:with-param><xsl:with-param name="en">No awards yet.</xsl:with-param></xsl:call-template></span></xsl:if>
      <ul id="awards">
        <xsl:for-each select="ribbons/ribbon[@name != '']"><li><xsl:value-of select="@name"/></li></xsl:for-each>
      </ul>
    </div>

    <h2><xsl:call-template name="t"><xsl:with-param name="ru">До следующего звания</xsl:with-param><xsl:with-param name="en">Next rank</xsl:with-param></xsl:call-template></h2>
    <div class="box" id="next-rank"><xsl:apply-templates select="next"/></div>

    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Итоги</xsl:with-param><xsl:with-param name="en">Totals</xsl:with-param></xsl:call-template></h2>
    <div class="box figures" id="career">
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Вылетов: </xsl:with-param><xsl:with-param name="en">Sorties: </xsl:with-param></xsl:call-template><b><xsl:value-of select="career/@sorties"/></b></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Гибелей: </xsl:with-param><xsl:with-param name="en">Deaths: </xsl:with-param></xsl:call-template><b><xsl:value-of select="career/@deaths"/></b></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Сбито в воздухе: </xsl:with-param><xsl:with-param name="en">Air kills: </xsl:with-param></xsl:call-template><b><xsl:value-of select="career/@air"/></b></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Уничтожено на земле: </xsl:with-param><xsl:with-param name="en">Ground kills: </xsl:with-param></xsl:call-template><b><xsl:value-of select="career/@ground"/></b></span>
      <xsl:if test="career/@known = '0'"><span class="empty" id="career-partial"><xsl:call-template name="t"><xsl:with-param name="ru">(с последней гибели: прежние итоги при расчете не были известны) </xsl:with-param><xsl:with-param name="en">(since the last death: the earlier totals were not at hand in the pass) </xsl:with-param></xsl:call-template></span></xsl:if>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Последний вылет: </xsl:with-param><xsl:with-param name="en">Last sortie: </xsl:with-param></xsl:call-template><xsl:value-of select="translate(@last, 'T', ' ')"/></span>
    </div>

    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Жизни</xsl:with-param><xsl:with-param name="en">Lives</xsl:with-param></xsl:call-template></h2>
    <xsl:choose>
      <xsl:when test="lives/life">
        <xsl:call-template name="chart">
          <xsl:with-param name="id">chart-kills</xsl:with-param>
          <xsl:with-param name="key">kills</xsl:with-param>
          <xsl:with-param name="max" select="lives/@max_kills"/>
          <xsl:with-param name="ru">Сбито за жизнь</xsl:with-param>
          <xsl:with-param name="en">Kills per life</xsl:with-param>
        </xsl:call-template>
        <xsl:call-template name="chart">
          <xsl:with-param name="id">chart-sorties</xsl:with-param>
          <xsl:with-param name="key">sorties</xsl:with-param>
          <xsl:with-param name="max" select="lives/@max_sorties"/>
          <xsl:with-param name="ru">Вылетов за жизнь</xsl:with-param>
          <xsl:with-param name="en">Sorties per life</xsl:with-param>
        </xsl:call-template>
        <xsl:call-template name="lives-table"/>
      </xsl:when>
      <xsl:otherwise><p class="empty"><xsl:call-template name="t"><xsl:with-param name="ru">Вылетов нет.</xsl:with-param><xsl:with-param name="en">No sorties.</xsl:with-param></xsl:call-template></p></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="next[@state = 'top']">
    <span id="top-rank"><xsl:call-template name="t"><xsl:with-param name="ru">Высшее звание достигнуто.</xsl:with-param><xsl:with-param name="en">The highest rank is reached.</xsl:with-param></xsl:call-template></span>
  </xsl:template>
  <xsl:template match="next[@state = 'none']">
    <span class="empty"><xsl:call-template name="t"><xsl:with-param name="ru">Шкала званий не задана.</xsl:with-param><xsl:with-param name="en">No rank scale is configured.</xsl:with-param></xsl:call-template></span>
  </xsl:template>
  <xsl:template match="next">
    <div><b><xsl:value-of select="@rankname"/></b></div>
    <xsl:for-each select="need">
      <div class="need" id="need-{@key}">
        <xsl:choose>
          <xsl:when test="@key = 'sorties'"><xsl:call-template name="t"><xsl:with-param name="ru">Боевые вылеты</xsl:with-param><xsl:with-param name="en">Combat sorties</xsl:with-param></xsl:call-template></xsl:when>
          <xsl:when test="@key = 'kills'"><xsl:call-template name="t"><xsl:with-param name="ru">Победы (земля по коэффициентам)</xsl:with-param><xsl:with-param name="en">Kills (ground counted by ratio)</xsl:with-param></xsl:call-template></xsl:when>
          <xsl:otherwise><xsl:call-template name="t"><xsl:with-param name="ru">Наземные цели</xsl:with-param><xsl:with-param name="en">Ground kills</xsl:with-param></xsl:call-template></xsl:otherwise>
        </xsl:choose>: <b><xsl:value-of select="@have"/></b> / <xsl:value-of select="@need"/>
        <div class="bar" role="progressbar" aria-valuemin="0" aria-valuemax="{@need}" aria-valuenow="{@have}"><div style="width: {@percent}%"></div></div>
      </div>
    </xsl:for-each>
  </xsl:template>

  <!-- Bars of one figure per life, scaled to the largest. -->
  <xsl:template name="chart">
    <xsl:param name="id"/>
    <xsl:param name="key"/>
    <xsl:param name="max"/>
    <xsl:param name="ru"/>
    <xsl:param name="en"/>
    <xsl:variable name="count" select="count(lives/life)"/>
    <xsl:variable name="step" select="20"/>
    <!-- At least 600 wide, so that a few lives keep narrow bars. -->
    <xsl:variable name="width"><xsl:choose>
      <xsl:when test="40 + $count * $step &gt; 600"><xsl:value-of select="40 + $count * $step"/></xsl:when>
      <xsl:otherwise>600</xsl:otherwise>
    </xsl:choose></xsl:variable>
    <xsl:variable name="top"><xsl:choose><xsl:when test="$max &gt; 0"><xsl:value-of select="$max"/></xsl:when><xsl:otherwise>1</xsl:otherwise></xsl:choose></xsl:variable>
    <h2><xsl:call-template name="t"><xsl:with-param name="ru" select="$ru"/><xsl:with-param name="en" select="$en"/></xsl:call-template></h2>
    <svg class="chart" id="{$id}" xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {$width} 140" role="img">
      <line x1="30" y1="120" x2="{$width}" y2="120" stroke="#8a97a8" stroke-width="1"/>
      <text x="26" y="24" text-anchor="end"><xsl:value-of select="$max"/></text>
      <text x="26" y="120" text-anchor="end">0</text>
      <xsl:for-each select="lives/life">
        <xsl:variable name="value" select="@*[name() = $key]"/>
        <xsl:variable name="height" select="round($value * 100 div $top)"/>
        <rect class="{$key}" x="{34 + (position() - 1) * $step}" y="{120 - $height}" width="{$step - 6}" height="{$height}">
          <title><xsl:call-template name="t"><xsl:with-param name="ru">Жизнь </xsl:with-param><xsl:with-param name="en">Life </xsl:with-param></xsl:call-template><xsl:value-of select="@n"/>: <xsl:value-of select="$value"/></title>
        </rect>
        <xsl:if test="$count &lt;= 50 or (position() mod 10) = 0">
          <text x="{34 + (position() - 1) * $step + ($step - 6) div 2}" y="134" text-anchor="middle"><xsl:value-of select="@n"/></text>
        </xsl:if>
      </xsl:for-each>
    </svg>
  </xsl:template>

  <xsl:template name="lives-table">
    <div class="scroll">
      <table id="lives">
        <thead><tr>
          <th>#</th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Начало</xsl:with-param><xsl:with-param name="en">Start</xsl:with-param></xsl:call-template></th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Конец</xsl:with-param><xsl:with-param name="en">End</xsl:with-param></xsl:call-template></th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Вылеты</xsl:with-param><xsl:with-param name="en">Sorties</xsl:with-param></xsl:call-template></th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Боевые</xsl:with-param><xsl:with-param name="en">Combat</xsl:with-param></xsl:call-template></th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Победы</xsl:with-param><xsl:with-param name="en">Kills</xsl:with-param></xsl:call-template></th>
          <th><xsl:call-template name="t"><xsl:with-param name="ru">Звание</xsl:with-param><xsl:with-param name="en">Rank</xsl:with-param></xsl:call-template></th>
        </tr></thead>
        <tbody>
          <xsl:for-each select="lives/life">
            <tr class="life">
              <td class="num"><xsl:value-of select="@n"/></td>
              <td><xsl:value-of select="@start"/></td>
              <td><xsl:choose>
                <xsl:when test="@ended = '1'"><xsl:value-of select="@end"/></xsl:when>
                <xsl:otherwise><xsl:call-template name="t"><xsl:with-param name="ru">продолжается</xsl:with-param><xsl:with-param name="en">goes on</xsl:with-param></xsl:call-template></xsl:otherwise>
              </xsl:choose></td>
              <td class="num"><xsl:value-of select="@sorties"/></td>
              <td class="num"><xsl:value-of select="@combat"/></td>
              <td class="num"><xsl:value-of select="@kills"/></td>
              <td><xsl:value-of select="@rankname"/></td>
            </tr>
          </xsl:for-each>
        </tbody>
      </table>
    </div>
  </xsl:template>
</xsl:stylesheet>
