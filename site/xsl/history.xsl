<?xml version="1.0" encoding="windows-1251"?>
<!--
  История пилота: /?history=ID&srvid=N. Каждая жизнь (элемент strik) со
  своими вылетами, сбитыми, гибелью и полученными званиями.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251" indent="yes"/>

  <xsl:template match="/history">
    <html>
      <head>
        <meta http-equiv="Content-Type" content="text/html; charset=windows-1251"/>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title>История пилота <xsl:value-of select="@callsign"/></title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 16px; }
          h1 { font-size: 20px; color: #123c69; }
          .life { background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); margin: 0 0 18px 0; padding: 10px 14px; }
          .life.ended { border-left: 6px solid #b22222; }
          .life.current { border-left: 6px solid #2e8b57; }
          .life h2 { font-size: 16px; margin: 0 0 6px 0; }
          .summary span { display: inline-block; margin-right: 18px; }
          .summary b { color: #123c69; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; margin-top: 8px; }
          th { background: #123c69; color: #fff; padding: 4px 8px; text-align: left; font-weight: normal; }
          td { padding: 3px 8px; border-bottom: 1px solid #dde3ea; }
          td.num { text-align: right; }
          tr.dead td { background: #fbe3e3; }
          tr.skipped td { color: #8a96a8; }
          .newrank { color: #8a5a00; font-weight: bold; }
          .none { color: #56657a; }
        </style>
      </head>
      <body>
        <h1>История пилота <span id="callsign"><xsl:value-of select="@callsign"/></span></h1>
        <xsl:choose>
          <xsl:when test="not(strik)">
            <p class="none">Нет данных: база статистики недоступна.</p>
          </xsl:when>
          <xsl:otherwise>
            <p>Жизней: <b><xsl:value-of select="count(strik)"/></b>,
               вылетов: <b><xsl:value-of select="count(strik/sortie)"/></b>,
               званий получено: <b><xsl:value-of select="count(strik/sortie/newrank)"/></b></p>
            <xsl:apply-templates select="strik"/>
          </xsl:otherwise>
        </xsl:choose>
        <p><a href="javascript:history.back()">Назад</a></p>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="strik">
    <div class="life">
      <xsl:attribute name="class">
        <xsl:choose>
          <xsl:when test="@broken = 1">life ended</xsl:when>
          <xsl:otherwise>life current</xsl:otherwise>
        </xsl:choose>
      </xsl:attribute>
      <h2>Жизнь <xsl:value-of select="@id"/>
        <xsl:if test="not(@broken = 1)"> (текущая)</xsl:if>
      </h2>
      <div class="summary">
        <span>Начало: <b><xsl:value-of select="@start"/></b></span>
        <xsl:if test="@end">
          <span>Гибель: <b><xsl:value-of select="@end"/></b></span>
        </xsl:if>
        <span>Боевых вылетов: <b><xsl:value-of select="@combatcount"/></b></span>
        <span>Побед: <b><xsl:value-of select="@kills"/></b></span>
        <xsl:if test="@currentrank">
          <span>Звание: <b><xsl:value-of select="@currentrank"/></b></span>
        </xsl:if>
      </div>
      <xsl:choose>
        <xsl:when test="sortie">
          <div class="scroll">
          <table>
            <tr>
              <th>Вылет</th><th>Взлёт</th><th>Посадка</th><th>Итог</th><th>Боевой</th>
              <th>Возд.</th><th>Назем.</th><th>Всего</th><th>Событие</th>
            </tr>
            <xsl:apply-templates select="sortie"/>
          </table>
          </div>
        </xsl:when>
        <xsl:otherwise>
          <p class="none">Вылетов нет.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="sortie">
    <tr>
      <xsl:attribute name="class">
        <xsl:choose>
          <xsl:when test="@isdead = 1">dead</xsl:when>
          <xsl:when test="not(details)">skipped</xsl:when>
          <xsl:otherwise>ok</xsl:otherwise>
        </xsl:choose>
      </xsl:attribute>
      <td class="num"><xsl:value-of select="@id"/></td>
      <td><xsl:value-of select="@starttime"/></td>
      <td><xsl:value-of select="@endtime"/></td>
      <td><xsl:value-of select="@sortieend"/></td>
      <td>
        <xsl:choose>
          <xsl:when test="@iscombat = 1">да</xsl:when>
          <xsl:otherwise>нет</xsl:otherwise>
        </xsl:choose>
      </td>
      <td class="num"><xsl:value-of select="details/@AirKills"/></td>
      <td class="num"><xsl:value-of select="details/@GroundKills"/></td>
      <td class="num"><xsl:value-of select="details/@EffectiveKills"/></td>
      <td>
        <xsl:if test="@isdead = 1">погиб </xsl:if>
        <xsl:for-each select="newrank">
          <span class="newrank">новое звание: <xsl:value-of select="@rankname"/></span>
        </xsl:for-each>
      </td>
    </tr>
  </xsl:template>
</xsl:stylesheet>
