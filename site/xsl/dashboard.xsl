<?xml version="1.0" encoding="windows-1251"?>
<!--
  Панель администратора (/?cmd=dashboard): ход идущего расчета полосой с
  цифрами и оценкой оставшегося времени, последние расчеты диаграммой
  (длительность каждого, неудачные отмечены красным) и таблицей. Язык -
  атрибут lang корня (ru или en). Пока расчет идет, страница обновляется
  сама каждые 3 секунды.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251" indent="yes"/>

  <xsl:variable name="en" select="/dashboard/@lang = 'en'"/>
  <xsl:variable name="lang" select="/dashboard/@lang"/>

  <!-- One text in the page's language. -->
  <xsl:template name="t">
    <xsl:param name="ru"/>
    <xsl:param name="en"/>
    <xsl:choose>
      <xsl:when test="$lang = 'en'"><xsl:value-of select="$en"/></xsl:when>
      <xsl:otherwise><xsl:value-of select="$ru"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="seconds">
    <xsl:param name="value"/>
    <xsl:value-of select="format-number($value, '0.00')"/>
    <xsl:call-template name="t"><xsl:with-param name="ru"> с</xsl:with-param><xsl:with-param name="en"> s</xsl:with-param></xsl:call-template>
  </xsl:template>

  <xsl:template name="end-name">
    <xsl:param name="end"/>
    <xsl:choose>
      <xsl:when test="$end = 'completed'"><xsl:call-template name="t"><xsl:with-param name="ru">завершен</xsl:with-param><xsl:with-param name="en">completed</xsl:with-param></xsl:call-template></xsl:when>
      <xsl:when test="$end = 'failed'"><xsl:call-template name="t"><xsl:with-param name="ru">ошибка</xsl:with-param><xsl:with-param name="en">failed</xsl:with-param></xsl:call-template></xsl:when>
      <xsl:when test="$end = 'stopped'"><xsl:call-template name="t"><xsl:with-param name="ru">прерван</xsl:with-param><xsl:with-param name="en">stopped</xsl:with-param></xsl:call-template></xsl:when>
      <xsl:otherwise><xsl:call-template name="t"><xsl:with-param name="ru">нет связи</xsl:with-param><xsl:with-param name="en">not reached</xsl:with-param></xsl:call-template></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="/">
    <html lang="{$lang}">
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <xsl:if test="dashboard/running"><meta http-equiv="refresh" content="3"/></xsl:if>
        <title><xsl:call-template name="t"><xsl:with-param name="ru">Панель skyranks</xsl:with-param><xsl:with-param name="en">skyranks dashboard</xsl:with-param></xsl:call-template></title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 12px; }
          h1 { font-size: 20px; color: #123c69; margin: 4px 0 12px; }
          h2 { font-size: 16px; color: #123c69; margin: 18px 0 8px; }
          nav a { margin-right: 12px; white-space: nowrap; }
          nav, .figures, .legend { display: flex; flex-wrap: wrap; }
          .box { background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); padding: 10px; max-width: 900px; }
          .bar { background: #dde3ea; height: 18px; border-radius: 3px; overflow: hidden; }
          .bar div { background: #2e7d32; height: 100%; }
          .figures { margin-top: 6px; line-height: 1.6; }
          .figures span { margin-right: 14px; white-space: nowrap; }
          .idle { color: #56657a; }
          svg { display: block; width: 100%; height: auto; max-width: 900px; background: #fff; }
          .legend span { margin-right: 12px; white-space: nowrap; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
          th { background: #123c69; color: #fff; padding: 5px 8px; text-align: left; white-space: nowrap; }
          td { padding: 4px 8px; border-bottom: 1px solid #dde3ea; white-space: nowrap; }
          tr.failed td, tr.not_reached td { background: #fde7e7; color: #b71c1c; }
          tr.stopped td { background: #fff4e0; }
        </style>
      </head>
      <body>
        <h1><xsl:call-template name="t"><xsl:with-param name="ru">Панель skyranks</xsl:with-param><xsl:with-param name="en">skyranks dashboard</xsl:with-param></xsl:call-template></h1>
        <nav>
          <a href="/?cmd=config"><xsl:call-template name="t"><xsl:with-param name="ru">Настройки</xsl:with-param><xsl:with-param name="en">Status page</xsl:with-param></xsl:call-template></a>
          <a href="/?cmd=show&amp;srvid=1&amp;format=html"><xsl:call-template name="t"><xsl:with-param name="ru">Пилоты</xsl:with-param><xsl:with-param name="en">Pilot list</xsl:with-param></xsl:call-template></a>
          <a href="/metrics"><xsl:call-template name="t"><xsl:with-param name="ru">Метрики</xsl:with-param><xsl:with-param name="en">Metrics</xsl:with-param></xsl:call-template></a>
          <xsl:choose>
            <xsl:when test="$en"><a href="/?cmd=dashboard&amp;lang=ru&amp;format=html">Русский</a></xsl:when>
            <xsl:otherwise><a href="/?cmd=dashboard&amp;lang=en&amp;format=html">English</a></xsl:otherwise>
          </xsl:choose>
        </nav>
        <xsl:apply-templates select="dashboard"/>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="dashboard">
    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Идущий расчет</xsl:with-param><xsl:with-param name="en">Running pass</xsl:with-param></xsl:call-template></h2>
    <div class="box" id="progress">
      <xsl:choose>
        <xsl:when test="running"><xsl:apply-templates select="running"/></xsl:when>
        <xsl:otherwise><span class="idle"><xsl:call-template name="t"><xsl:with-param name="ru">Сейчас расчет не идет.</xsl:with-param><xsl:with-param name="en">No pass is running.</xsl:with-param></xsl:call-template></span></xsl:otherwise>
      </xsl:choose>
    </div>
    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Последние расчеты: длительность</xsl:with-param><xsl:with-param name="en">Last passes: duration</xsl:with-param></xsl:call-template></h2>
    <xsl:call-template name="chart"/>
    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Последние расчеты</xsl:with-param><xsl:with-param name="en">Last passes</xsl:with-param></xsl:call-template></h2>
    <xsl:call-template name="table"/>
    <xsl:apply-templates select="webhooks"/>
  </xsl:template>

  <!-- The webhooks, by host only: their addresses are secrets. -->
  <xsl:template match="webhooks">
    <h2><xsl:call-template name="t"><xsl:with-param name="ru">Вебхуки</xsl:with-param><xsl:with-param name="en">Webhooks</xsl:with-param></xsl:call-template></h2>
    <div class="scroll">
      <table id="webhooks">
        <thead>
          <tr>
            <th>#</th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Хост</xsl:with-param><xsl:with-param name="en">Host</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">В очереди</xsl:with-param><xsl:with-param name="en">Queued</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Доставлено</xsl:with-param><xsl:with-param name="en">Delivered</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Не доставлено</xsl:with-param><xsl:with-param name="en">Failed</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Последняя ошибка</xsl:with-param><xsl:with-param name="en">Last error</xsl:with-param></xsl:call-template></th>
          </tr>
        </thead>
        <tbody>
          <xsl:for-each select="webhook">
            <tr>
              <td><xsl:value-of select="@n"/></td>
              <td><xsl:value-of select="@host"/></td>
              <td><xsl:value-of select="@queued"/></td>
              <td><xsl:value-of select="@delivered"/></td>
              <td><xsl:value-of select="@failed"/></td>
              <td><xsl:value-of select="@last_error"/></td>
            </tr>
          </xsl:for-each>
        </tbody>
      </table>
    </div>
  </xsl:template>

  <xsl:template match="running">
    <xsl:variable name="percent">
      <xsl:choose>
        <xsl:when test="@pilots_total &gt; 0"><xsl:value-of select="round(@pilots_done * 100 div @pilots_total)"/></xsl:when>
        <xsl:otherwise>0</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <div><b><xsl:value-of select="@id"/>: <xsl:value-of select="@host"/>/<xsl:value-of select="@db"/></b>
      <xsl:if test="@kind = 'reset'"> (<xsl:call-template name="t"><xsl:with-param name="ru">сброс</xsl:with-param><xsl:with-param name="en">reset</xsl:with-param></xsl:call-template>)</xsl:if>
      <xsl:text> </xsl:text><xsl:value-of select="@start"/></div>
    <div class="bar" role="progressbar" aria-valuemin="0" aria-valuemax="{@pilots_total}" aria-valuenow="{@pilots_done}">
      <div style="width: {$percent}%"></div>
    </div>
    <div class="figures">
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Пилоты: </xsl:with-param><xsl:with-param name="en">Pilots: </xsl:with-param></xsl:call-template><b id="pilots-done"><xsl:value-of select="@pilots_done"/></b> / <xsl:value-of select="@pilots_total"/> (<xsl:value-of select="$percent"/>%)</span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Вылетов прочитано: </xsl:with-param><xsl:with-param name="en">Sorties read: </xsl:with-param></xsl:call-template><xsl:value-of select="@sorties_read"/></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Строк записано: </xsl:with-param><xsl:with-param name="en">Rows written: </xsl:with-param></xsl:call-template><xsl:value-of select="@rows_written"/></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Ошибок: </xsl:with-param><xsl:with-param name="en">Errors: </xsl:with-param></xsl:call-template><xsl:value-of select="@errors"/></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Прошло: </xsl:with-param><xsl:with-param name="en">Elapsed: </xsl:with-param></xsl:call-template><xsl:call-template name="seconds"><xsl:with-param name="value" select="@elapsed"/></xsl:call-template></span>
      <span><xsl:call-template name="t"><xsl:with-param name="ru">Осталось около: </xsl:with-param><xsl:with-param name="en">About left: </xsl:with-param></xsl:call-template>
        <xsl:choose>
          <xsl:when test="@left"><xsl:call-template name="seconds"><xsl:with-param name="value" select="@left"/></xsl:call-template></xsl:when>
          <xsl:otherwise>?</xsl:otherwise>
        </xsl:choose>
      </span>
    </div>
  </xsl:template>

  <!-- Bars of the passes' durations, oldest on the left; a failed or unreached pass red, a stopped one orange. -->
  <xsl:template name="chart">
    <xsl:variable name="passes" select="passes/pass"/>
    <xsl:variable name="count" select="count($passes)"/>
    <xsl:variable name="longest">
      <xsl:for-each select="$passes">
        <xsl:sort select="@duration" data-type="number" order="descending"/>
        <xsl:if test="position() = 1"><xsl:value-of select="@duration"/></xsl:if>
      </xsl:for-each>
    </xsl:variable>
    <xsl:variable name="scale">
      <xsl:choose>
        <xsl:when test="$longest &gt; 0"><xsl:value-of select="140 div $longest"/></xsl:when>
        <xsl:otherwise>0</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <!-- A few passes keep narrow bars from the left, as a pilot's charts do;
         only beyond 15 do they share the width. -->
    <xsl:variable name="step">
      <xsl:choose>
        <xsl:when test="$count &gt; 15"><xsl:value-of select="600 div $count"/></xsl:when>
        <xsl:otherwise>40</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <div class="box">
      <svg id="chart" xmlns="http://www.w3.org/2000/svg" viewBox="0 0 600 160" role="img">
        <line x1="0" y1="150" x2="600" y2="150" stroke="#56657a" stroke-width="1"/>
        <xsl:for-each select="$passes">
          <xsl:variable name="height" select="@duration * $scale + 1"/>
          <xsl:variable name="colour">
            <xsl:choose>
              <xsl:when test="@end = 'failed' or @end = 'not_reached'">#c62828</xsl:when>
              <xsl:when test="@end = 'stopped'">#ef8f00</xsl:when>
              <xsl:otherwise>#1f6fb2</xsl:otherwise>
            </xsl:choose>
          </xsl:variable>
          <rect class="{@end}" x="{(position() - 1) * $step + $step * 0.1}" y="{150 - $height}" width="{$step * 0.8}" height="{$height}" fill="{$colour}">
            <title><xsl:value-of select="@start"/>, <xsl:value-of select="@host"/>/<xsl:value-of select="@db"/>: <xsl:value-of select="@duration"/> s, <xsl:value-of select="@end"/></title>
          </rect>
          <xsl:if test="@end = 'failed' or @end = 'not_reached'">
            <circle cx="{(position() - 0.5) * $step}" cy="155" r="3" fill="#c62828"/>
          </xsl:if>
        </xsl:for-each>
      </svg>
      <div class="legend">
        <span><xsl:call-template name="t"><xsl:with-param name="ru">Самый долгий: </xsl:with-param><xsl:with-param name="en">Longest: </xsl:with-param></xsl:call-template>
          <xsl:call-template name="seconds"><xsl:with-param name="value" select="concat('0', $longest)"/></xsl:call-template></span>
        <span style="color: #1f6fb2">&#9632; <xsl:call-template name="t"><xsl:with-param name="ru">завершен</xsl:with-param><xsl:with-param name="en">completed</xsl:with-param></xsl:call-template></span>
        <span style="color: #ef8f00">&#9632; <xsl:call-template name="t"><xsl:with-param name="ru">прерван</xsl:with-param><xsl:with-param name="en">stopped</xsl:with-param></xsl:call-template></span>
        <span style="color: #c62828">&#9632; <xsl:call-template name="t"><xsl:with-param name="ru">ошибка или нет связи</xsl:with-param><xsl:with-param name="en">failed or not reached</xsl:with-param></xsl:call-template></span>
      </div>
    </div>
  </xsl:template>

  <!-- The passes, newest first. -->
  <xsl:template name="table">
    <div class="scroll">
      <table id="passes">
        <thead>
          <tr>
            <th>#</th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">База</xsl:with-param><xsl:with-param name="en">Database</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Начало</xsl:with-param><xsl:with-param name="en">Start</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Длительность</xsl:with-param><xsl:with-param name="en">Duration</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Пилоты</xsl:with-param><xsl:with-param name="en">Pilots</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Вылеты</xsl:with-param><xsl:with-param name="en">Sorties</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Записано</xsl:with-param><xsl:with-param name="en">Written</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Ошибки</xsl:with-param><xsl:with-param name="en">Errors</xsl:with-param></xsl:call-template></th>
            <th><xsl:call-template name="t"><xsl:with-param name="ru">Итог</xsl:with-param><xsl:with-param name="en">Outcome</xsl:with-param></xsl:call-template></th>
          </tr>
        </thead>
        <tbody>
          <xsl:for-each select="passes/pass">
            <xsl:sort select="@n" data-type="number" order="descending"/>
            <tr class="{@end}">
              <td><xsl:value-of select="@n"/></td>
              <td><xsl:value-of select="@id"/>: <xsl:value-of select="@host"/>/<xsl:value-of select="@db"/>
                <xsl:if test="@kind = 'reset'"> (<xsl:call-template name="t"><xsl:with-param name="ru">сброс</xsl:with-param><xsl:with-param name="en">reset</xsl:with-param></xsl:call-template>)</xsl:if></td>
              <td><xsl:value-of select="@start"/></td>
              <td><xsl:call-template name="seconds"><xsl:with-param name="value" select="@duration"/></xsl:call-template></td>
              <td><xsl:value-of select="@pilots"/></td>
              <td><xsl:value-of select="@sorties_read"/></td>
              <td><xsl:value-of select="@rows_written"/></td>
              <td><xsl:value-of select="@errors"/></td>
              <td>
                <xsl:if test="@end = 'failed' or @end = 'not_reached'">&#10006; </xsl:if>
                <xsl:call-template name="end-name"><xsl:with-param name="end" select="@end"/></xsl:call-template>
              </td>
            </tr>
          </xsl:for-each>
        </tbody>
      </table>
    </div>
  </xsl:template>
</xsl:stylesheet>
