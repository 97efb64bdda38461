<?xml version="1.0" encoding="utf-8"?>
<!--
  The leaderboard (/?cmd=top&srvid=N): one page of the board made from the
  results of the database's last pass, a search form, the pages and the
  pilot's own row marked. The page's language is the lang attribute of the
  document (ru or en). Links to each pilot's page (/?pilot=N&srvid=S).
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="utf-8" indent="yes"/>

  <xsl:variable name="lang" select="/board/@lang"/>
  <xsl:variable name="self" select="concat('/?cmd=top', /board/@filter)"/>

  <xsl:template name="t">
    <xsl:param name="ru"/>
    <xsl:param name="en"/>
    <xsl:choose>
      <xsl:when test="$lang = 'en'"><xsl:value-of select="$en"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$ru"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="army-name">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="$value = 1"><xsl:call-template name="t"><xsl:with-param name="ru">Красные</xsl:with-param><xsl:with-param name="en">Red</xsl:with-param></xsl:call-template></xsl:when>
      <xsl:when test="$value = 2"><xsl:call-template name="t"><xsl:with-param name="ru">Синие</xsl:with-param><xsl:with-param name="en">Blue</xsl:with-param></xsl:call-template></xsl:when>
      <xsl:otherwise>—</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A column heading that sorts the board by `key`. -->
  <xsl:template name="heading">
    <xsl:param name="key"/>
    <xsl:param name="ru"/>
    <xsl:param name="en"/>
    <th>
      <xsl:if test="/board/@sort = $key"><xsl:attribute name="class">sorted-<xsl:value-of select="/board/@order"/></xsl:attribute></xsl:if>
      <a href="{$self}&amp;sort={$key}"><xsl:call-template name="t"><xsl:with-param name="ru" select="$ru"/><xsl:with-param name="en" select="$en"/></xsl:call-template></a>
    </th>
  </xsl:template>

  <xsl:template match="/">
    <html lang="{$lang}">
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title><xsl:call-template name="t"><xsl:with-param name="ru">Лучшие пилоты</xsl:with-param><xsl:with-param name="en">Leaderboard</xsl:with-param></xsl:call-template></title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 12px; }
          h1 { font-size: 20px; color: #123c69; margin: 4px 0 12px; }
          nav a, .pages a, .pages span { margin-right: 10px; white-space: nowrap; }
          nav, .pages { display: flex; flex-wrap: wrap; }
          form { margin: 8px 0; }
          form input, form select { margin-right: 8px; }
          form label { display: inline-block; margin: 2px 0; }
          .count, .empty, .pages { color: #56657a; margin: 8px 0; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
          th { background: #123c69; color: #fff; padding: 5px 8px; text-align: left; white-space: nowrap; }
          th a { color: #fff; text-decoration: none; }
          th.sorted-desc a:after { content: " \25BC"; }
          th.sorted-asc a:after { content: " \25B2"; }
          td { padding: 4px 8px; border-bottom: 1px solid #dde3ea; white-space: nowrap; }
          td.num { text-align: right; }
          tr.army-1 td.army { color: #b22222; }
          tr.army-2 td.army { color: #1e4fb2; }
          tr.me td { background: #fff4c2; font-weight: bold; }
        </style>
      </head>
      <body>
        <h1><xsl:call-template name="t"><xsl:with-param name="ru">Лучшие пилоты</xsl:with-param><xsl:with-param name="en">Leaderboard</xsl:with-param></xsl:call-template></h1>
        <nav>
          <a href="/?cmd=top&amp;srvid={board/@srvid}&amp;lang={$lang}&amp;sort=life"><xsl:call-template name="t"><xsl:with-param name="ru">Лучшие текущие жизни</xsl:with-param><xsl:with-param name="en">Best current lives</xsl:with-param></xsl:call-template></a>
          <a href="/?cmd=show&amp;srvid={board/@srvid}&amp;format=html"><xsl:call-template name="t"><xsl:with-param name="ru">Все пилоты</xsl:with-param><xsl:with-param name="en">All pilots</xsl:with-param></xsl:call-template></a>
          <xsl:choose>
            <xsl:when test="$lang = 'en'"><a href="/?cmd=top&amp;srvid={board/@srvid}&amp;lang=ru">Русский</a></xsl:when>
            <xsl:otherwise><a href="/?cmd=top&amp;srvid={board/@srvid}&amp;lang=en">English</a></xsl:otherwise>
          </xsl:choose>
        </nav>
        <xsl:apply-templates select="board"/>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="board[@ready = '0']">
    <p class="empty" id="not-ready"><xsl:call-template name="t">
      <xsl:with-param name="ru">Таблица появится после первого расчета этой базы с запуска сервиса.</xsl:with-param>
      <xsl:with-param name="en">The board appears after the first pass over this database since the service started.</xsl:with-param>
    </xsl:call-template></p>
  </xsl:template>

  <xsl:template match="board">
    <form method="get" action="/" id="search">
      <input type="hidden" name="cmd" value="top"/>
      <input type="hidden" name="srvid" value="{@srvid}"/>
      <input type="hidden" name="lang" value="{$lang}"/>
      <input type="hidden" name="sort" value="{@sort}"/>
      <input type="hidden" name="order" value="{@order}"/>
      <label><xsl:call-template name="t"><xsl:with-param name="ru">Позывной: </xsl:with-param><xsl:with-param name="en">Callsign: </xsl:with-param></xsl:call-template>
        <input type="search" name="q" id="q" value="{@q}"/></label>
      <label><xsl:call-template name="t"><xsl:with-param name="ru">Мой позывной: </xsl:with-param><xsl:with-param name="en">My callsign: </xsl:with-param></xsl:call-template>
        <input type="text" name="me" id="me" value="{@me}"/></label>
      <select name="army">
        <option value="0"><xsl:call-template name="t"><xsl:with-param name="ru">Обе стороны</xsl:with-param><xsl:with-param name="en">Both sides</xsl:with-param></xsl:call-template></option>
        <option value="1"><xsl:if test="@army = 1"><xsl:attribute name="selected">selected</xsl:attribute></xsl:if><xsl:call-template name="army-name"><xsl:with-param name="value" select="1"/></xsl:call-template></option>
        <option value="2"><xsl:if test="@army = 2"><xsl:attribute name="selected">selected</xsl:attribute></xsl:if><xsl:call-template name="army-name"><xsl:with-param name="value" select="2"/></xsl:call-template></option>
      </select>
      <button type="submit"><xsl:call-template name="t"><xsl:with-param name="ru">Найти</xsl:with-param><xsl:with-param name="en">Search</xsl:with-param></xsl:call-template></button>
    </form>
    <div class="count"><xsl:call-template name="t"><xsl:with-param name="ru">Найдено пилотов: </xsl:with-param><xsl:with-param name="en">Pilots found: </xsl:with-param></xsl:call-template>
      <span id="matching"><xsl:value-of select="@matching"/></span> / <xsl:value-of select="@pilots"/></div>
    <div class="scroll">
      <table id="board">
        <thead>
          <tr>
            <th>#</th>
            <xsl:call-template name="heading"><xsl:with-param name="key">callsign</xsl:with-param><xsl:with-param name="ru">Позывной</xsl:with-param><xsl:with-param name="en">Callsign</xsl:with-param></xsl:call-template>
            <xsl:call-template name="heading"><xsl:with-param name="key">rank</xsl:with-param><xsl:with-param name="ru">Звание</xsl:with-param><xsl:with-param name="en">Rank</xsl:with-param></xsl:call-template>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Сторона</xsl:with-param><xsl:with-param name="en">Side</xsl:with-param></xsl:call-template></th>
            <xsl:call-template name="heading"><xsl:with-param name="key">air</xsl:with-param><xsl:with-param name="ru">Воздух</xsl:with-param><xsl:with-param name="en">Air kills</xsl:with-param></xsl:call-template>
            <xsl:call-template name="heading"><xsl:with-param name="key">ground</xsl:with-param><xsl:with-param name="ru">Земля</xsl:with-param><xsl:with-param name="en">Ground kills</xsl:with-param></xsl:call-template>
            <xsl:call-template name="heading"><xsl:with-param name="key">sorties</xsl:with-param><xsl:with-param name="ru">Вылеты</xsl:with-param><xsl:with-param name="en">Sorties</xsl:with-param></xsl:call-template>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Гибели</xsl:with-param><xsl:with-param name="en">Deaths</xsl:with-param></xsl:call-template></th>
            <xsl:call-template name="heading"><xsl:with-param name="key">life</xsl:with-param><xsl:with-param name="ru">Сбито за жизнь</xsl:with-param><xsl:with-param name="en">Current life kills</xsl:with-param></xsl:call-template>
            <xsl:call-template name="heading"><xsl:with-param name="key">last</xsl:with-param><xsl:with-param name="ru">Последний вылет</xsl:with-param><xsl:with-param name="en">Last sortie</xsl:with-param></xsl:call-template>
          </tr>
        </thead>
        <tbody>
          <xsl:for-each select="pilot">
            <tr class="army-{@army}" id="pilot-{@id}">
              <xsl:if test="@me = '1'"><xsl:attribute name="class">army-<xsl:value-of select="@army"/> me</xsl:attribute></xsl:if>
              <td class="num position"><xsl:value-of select="@position"/></td>
              <td class="callsign"><a href="/?pilot={@id}&amp;srvid={/board/@srvid}&amp;lang={$lang}"><xsl:value-of select="@callsign"/></a></td>
              <td><xsl:value-of select="@rankname"/></td>
              <td class="army"><xsl:call-template name="army-name"><xsl:with-param name="value" select="@army"/></xsl:call-template></td>
              <td class="num"><xsl:value-of select="@air"/></td>
              <td class="num"><xsl:value-of select="@ground"/></td>
              <td class="num"><xsl:value-of select="@sorties"/></td>
              <td class="num"><xsl:value-of select="@deaths"/></td>
              <td class="num"><xsl:value-of select="@life_kills"/></td>
              <td><xsl:value-of select="translate(@last, 'T', ' ')"/></td>
            </tr>
          </xsl:for-each>
        </tbody>
      </table>
    </div>
    <div class="pages" id="pages">
      <xsl:variable name="link" select="concat($self, @ordering)"/>
      <xsl:if test="@page &gt; 1">
        <a href="{$link}&amp;page=1">«</a>
        <a href="{$link}&amp;page={@page - 1}" rel="prev"><xsl:call-template name="t"><xsl:with-param name="ru">Назад</xsl:with-param><xsl:with-param name="en">Previous</xsl:with-param></xsl:call-template></a>
      </xsl:if>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Страница </xsl:with-param><xsl:with-param name="en">Page </xsl:with-param></xsl:call-template>
        <b id="page"><xsl:value-of select="@page"/></b> / <xsl:value-of select="@pages"/></span>
      <xsl:if test="@page &lt; @pages">
        <a href="{$link}&amp;page={@page + 1}" rel="next"><xsl:call-template name="t"><xsl:with-param name="ru">Вперед</xsl:with-param><xsl:with-param name="en">Next</xsl:with-param></xsl:call-template></a>
        <a href="{$link}&amp;page={@pages}">»</a>
      </xsl:if>
    </div>
  </xsl:template>
</xsl:stylesheet>
