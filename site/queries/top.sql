-- Двадцать лучших пилотов: по званию, затем по сбитым в воздухе
select p.id, p.callsign, p.realrank, p.armyid,
       count(s.id) as sorties, coalesce(sum(s.eAir), 0) as airkills
from pilots p left join sorties s on s.pilotid = p.id
where p.class = 'Human pilot'
group by p.id, p.callsign, p.realrank, p.armyid
order by p.realrank desc, airkills desc, p.callsign
limit 20
